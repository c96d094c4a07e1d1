// Helpers shared by the unit and integration tests: temporary folders, file reading, BSTR
// ownership.
#pragma once

#include <string>

#include "automation/Automation.h"
#include "automation/UniqueBstr.h"
#include "common/ZelString.h"

namespace test {

// A fresh folder under the system's temporary directory, removed with its content at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
bool Exists(const std::string& path);

// Owns a BSTR for the length of a test.
class Bstr : public UniqueBstr {
  public:
    Bstr() = default;
    explicit Bstr(const char* text) : UniqueBstr(CZelString(text).ToBSTR()) {}
    std::string Text() const { return CZelString(get()).Str(); }
};

// Points the settings store at a file of the test's own for the life of the object.
class ScopedSettings {
  public:
    explicit ScopedSettings(const std::string& path);
    ~ScopedSettings();

  private:
    std::string previous_;
};

}  // namespace test

// Request and protocol parameters: names unique and ordered byte by byte (unsigned), values
// held unencoded (except oauth_signature, held OAuth-encoded).
#pragma once

#include <map>
#include <string>

class ParameterMap {
  public:
    using Entries = std::map<std::string, std::string>;  // std::string orders bytes as unsigned

    // Creates the entry or replaces its value.
    void Assign(const std::string& name, const std::string& value) { entries_[name] = value; }
    // Adds the entry only when the name is new: an existing value stays.
    void Insert(const std::string& name, const std::string& value) {
        entries_.emplace(name, value);
    }
    const std::string* Find(const std::string& name) const {
        auto it = entries_.find(name);
        return it == entries_.end() ? nullptr : &it->second;
    }
    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }
    size_t Size() const { return entries_.size(); }
    Entries::const_iterator begin() const { return entries_.begin(); }
    Entries::const_iterator end() const { return entries_.end(); }

  private:
    Entries entries_;
};

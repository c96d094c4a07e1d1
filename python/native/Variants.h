// Python values to automation arguments and automation results to Python values.
#pragma once

#include <Python.h>

#include <cstddef>

#include "automation/Automation.h"

// No member of the interfaces has more arguments; a longer table is refused when its class is made.
constexpr Py_ssize_t kMaxArguments = 16;

// The texts of one call's arguments as BSTRs in memory of the call's own: the callee only reads an
// [in] BSTR (automation copies what it keeps), so none needs the library's allocator.
class ArgumentTexts {
  public:
    ArgumentTexts() = default;
    ArgumentTexts(const ArgumentTexts&) = delete;
    ArgumentTexts& operator=(const ArgumentTexts&) = delete;
    ~ArgumentTexts();

    // text as a BSTR; null with a Python exception set when memory runs out.
    BSTR Make(PyObject* text);

  private:
    static constexpr size_t kInline = 2048;
    alignas(8) unsigned char inline_[kInline];
    size_t used_ = 0;
    void* spilled_[kMaxArguments] = {};  // a text per argument at most
    Py_ssize_t spilledCount_ = 0;
};

// value into variant as an [in] argument. An object is passed with the caller's reference, which
// covers the call. False with a Python exception set.
bool ToVariant(PyObject* value, VARIANT& variant, ArgumentTexts& texts);

// The Python value of variant; an object it holds passes to the new wrapper.
PyObject* FromVariant(VARIANT& variant);

// Frees what variant owns.
void ClearVariant(VARIANT& variant);

// A BSTR as a Python str; ill-formed UTF-16 (a lone surrogate) is replaced.
PyObject* TextFromBstr(const OLECHAR* text);

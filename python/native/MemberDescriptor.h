// The members of an interface's Python class: a method descriptor that binds its arguments (by
// position, by the interface's name without regard to case, or by the plain snake_case name) and a
// property descriptor; both call IDispatch::Invoke with the arguments as VARIANTs directly.
#pragma once

#include <Python.h>

bool ReadyMemberDescriptorTypes(PyObject* module);

// The wrapper's attribute rules: members by name, and without regard to case as in OLE
// Automation; only a property that can be put may be set.
PyObject* GetMember(PyObject* object, PyObject* name);
int SetMember(PyObject* object, PyObject* name, PyObject* value);

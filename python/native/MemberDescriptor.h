// The members of an interface's Python class: a method descriptor that binds its arguments (by
// position, by the interface's name without regard to case, or by the plain snake_case name) and a
// property descriptor; both call IDispatch::Invoke with the arguments as VARIANTs directly.
#pragma once

#include <Python.h>

bool ReadyMemberDescriptorTypes(PyObject* module);

bool IsPropertyDescriptor(PyObject* object);
bool PropertyCanPut(PyObject* property);

// The wrapper of one automation object: the base of the Python class of each interface (ITwitter,
// ITweet, IUser), which the package builds from the interface's member table.
#pragma once

#include <Python.h>

#include "automation/Automation.h"

struct AutomationObject {
    PyObject ob_base;
    IDispatch* pointer;    // one reference, the wrapper's own
    unsigned long thread;  // the thread that made the wrapper, the only one that may use it
};

extern PyTypeObject AutomationObjectType;

// Readies the type with the attribute rules of its members.
bool ReadyAutomationObjectType(getattrofunc getMember, setattrofunc setMember);

// The interface name of a wrapper's class.
PyObject* InterfaceNameOf(PyObject* object);

// Tells the extension how to find the Python class of an interface by its name.
void SetClassFinder(PyObject* finder);

// Wraps object, whose reference passes to the wrapper (or is released on failure).
PyObject* WrapObject(IDispatch* object);

// False, with RuntimeError set, when the calling thread is not the wrapper's.
bool CheckThread(AutomationObject* self);

// Raises the package's ComError for a failed call described by what, a new reference it takes
// (null: the exception of making it stands).
PyObject* RaiseComError(HRESULT hr, PyObject* what);
void SetComErrorClass(PyObject* errorClass);

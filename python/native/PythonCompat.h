// What the extension uses of newer interpreters, for 3.9.
#pragma once

#include <Python.h>

#if PY_VERSION_HEX < 0x030A0000
static inline PyObject* Py_NewRef(PyObject* object) {
    Py_INCREF(object);
    return object;
}

static inline int PyModule_AddObjectRef(PyObject* module, const char* name, PyObject* value) {
    Py_INCREF(value);
    if (PyModule_AddObject(module, name, value) < 0) {
        Py_DECREF(value);
        return -1;
    }
    return 0;
}
#endif

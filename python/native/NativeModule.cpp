// warbler._native: the extension under the warbler package.
#include <Python.h>

#include "automation/Interfaces.h"
#include "native/AutomationObject.h"
#include "native/Interruption.h"
#include "native/Library.h"
#include "native/MemberDescriptor.h"
#include "native/PythonCompat.h"
#include "native/Variants.h"

namespace {

bool RequireLibrary() {
    if (gLibrary.IsOpen())
        return true;
    PyErr_SetString(PyExc_RuntimeError, "the library is not loaded");
    return false;
}

// load(path, class_finder, com_error): opens the library; class_finder(interface name) gives the
// Python class of an interface, com_error(hresult, what) the exception of a failed call.
PyObject* Load(PyObject*, PyObject* args) {
    const char* path;
    PyObject *finder, *comError;
    if (!PyArg_ParseTuple(args, "sOO", &path, &finder, &comError))
        return nullptr;
    const char* error = nullptr;
    if (!gLibrary.IsOpen() && !gLibrary.Open(path, &error))
        return PyErr_Format(PyExc_OSError, "cannot load %s: %s", path,
                            error ? error : "unknown failure");
    interruption::Install(path);
    SetClassFinder(finder);
    SetComErrorClass(comError);
    Py_RETURN_NONE;
}

PyObject* Text(const char* text) {
    return text != nullptr ? PyUnicode_FromString(text) : Py_NewRef(Py_None);
}

// members(interface): the library's member table, as (name, dispid, kinds, type, ((parameter name,
// type, flags, default), ...)) per member.
PyObject* Members(PyObject*, PyObject* args) {
    const char* interfaceName;
    if (!PyArg_ParseTuple(args, "s", &interfaceName) || !RequireLibrary())
        return nullptr;
    const dispatch::Member* table = nullptr;
    UINT count = 0;
    HRESULT hr = gLibrary.interfaceMembers(interfaceName, &table, &count);
    if (FAILED(hr))
        return RaiseComError(hr,
                             PyUnicode_FromFormat("WarblerInterfaceMembers(%s)", interfaceName));
    PyObject* members = PyList_New(count);
    for (UINT i = 0; members != nullptr && i < count; ++i) {
        const dispatch::Member& m = table[i];
        PyObject* params = PyTuple_New(m.paramCount);
        for (uint16_t j = 0; params != nullptr && j < m.paramCount; ++j) {
            const dispatch::Param& p = m.params[j];
            PyObject* param =
                Py_BuildValue("(NiiN)", Text(p.name), p.type, p.flags, Text(p.defaultValue));
            if (param == nullptr)
                Py_CLEAR(params);
            else
                PyTuple_SET_ITEM(params, j, param);
        }
        PyObject* member = params != nullptr ? Py_BuildValue("(NiiiN)", Text(m.name), m.id, m.kinds,
                                                             m.type, params)
                                             : nullptr;
        if (member == nullptr)
            Py_CLEAR(members);
        else
            PyList_SET_ITEM(members, i, member);
    }
    return members;
}

// create(progid): a new object by its ProgID, wrapped.
PyObject* Create(PyObject*, PyObject* progId) {
    if (!PyUnicode_Check(progId))
        return PyErr_Format(PyExc_TypeError, "Dispatch() takes a ProgID text, not %s",
                            Py_TYPE(progId)->tp_name);
    if (!RequireLibrary())
        return nullptr;
    ArgumentTexts texts;
    BSTR name = texts.Make(progId);
    if (name == nullptr)
        return nullptr;
    IDispatch* object = nullptr;
    HRESULT hr = gLibrary.createObject(name, &object);
    if (FAILED(hr))
        return RaiseComError(hr, PyUnicode_FromFormat("Dispatch(%R)", progId));
    return WrapObject(object);
}

// A text property of the diagnostic interface, as a str.
PyObject* DiagnosticText(ITwitterDiagnostics* diagnostics,
                         HRESULT (STDMETHODCALLTYPE ITwitterDiagnostics::*get)(BSTR*)) {
    VARIANT text{};
    text.vt = VT_BSTR;
    HRESULT hr = (diagnostics->*get)(&text.bstrVal);
    PyObject* value = SUCCEEDED(hr) ? TextFromBstr(text.bstrVal) : nullptr;
    ClearVariant(text);
    if (FAILED(hr))
        return RaiseComError(hr, PyUnicode_FromString("the Twitter object's diagnostics"));
    return value;
}

// diagnostics(twitter): (HTTP status, the service's words, the transport's reason) of the object's
// last call, through the component's own interface.
PyObject* Diagnostics(PyObject*, PyObject* object) {
    if (!PyObject_TypeCheck(object, &AutomationObjectType))
        return PyErr_Format(PyExc_TypeError, "diagnostics() takes a Twitter object");
    auto* self = reinterpret_cast<AutomationObject*>(object);
    if (!CheckThread(self))
        return nullptr;
    void* found = nullptr;
    if (FAILED(self->pointer->QueryInterface(IID_ITwitterDiagnostics, &found)))
        return PyErr_Format(PyExc_TypeError, "diagnostics() takes a Twitter object");
    auto* diagnostics = static_cast<ITwitterDiagnostics*>(found);
    LONG status = 0;
    diagnostics->get_LastHttpStatus(&status);
    PyObject* said = DiagnosticText(diagnostics, &ITwitterDiagnostics::get_LastServiceMessage);
    PyObject* failure = said != nullptr
                            ? DiagnosticText(diagnostics, &ITwitterDiagnostics::get_LastFailure)
                            : nullptr;
    diagnostics->Release();
    if (failure == nullptr) {
        Py_XDECREF(said);
        return nullptr;
    }
    return Py_BuildValue("(lNN)", static_cast<long>(status), said, failure);
}

PyObject* CanUnload(PyObject*, PyObject*) {
    if (!RequireLibrary())
        return nullptr;
    return PyBool_FromLong(gLibrary.canUnloadNow() == S_OK);
}

PyMethodDef kFunctions[] = {
    {"load", Load, METH_VARARGS, "load(path, class_finder, com_error): opens the library"},
    {"members", Members, METH_VARARGS,
     "members(interface): the library's member table of an interface"},
    {"create", Create, METH_O, "create(progid): a new object by its ProgID"},
    {"can_unload", CanUnload, METH_NOARGS, "True when no object of the library is alive"},
    {"diagnostics", Diagnostics, METH_O,
     "diagnostics(twitter): (HTTP status, service message, transport reason) of the last call"},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef kModule = {PyModuleDef_HEAD_INIT,
                       "warbler._native",
                       "The automation objects of libwarbler.so, called through IDispatch.",
                       -1,
                       kFunctions,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__native() {
    PyObject* module = PyModule_Create(&kModule);
    if (module == nullptr)
        return nullptr;
    if (!ReadyAutomationObjectType(GetMember, SetMember) ||
        PyModule_AddObjectRef(module, "AutomationObject",
                              reinterpret_cast<PyObject*>(&AutomationObjectType)) < 0 ||
        !ReadyMemberDescriptorTypes(module)) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}

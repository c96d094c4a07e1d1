#include "native/AutomationObject.h"

#include <pythread.h>

#include "native/Library.h"

PyTypeObject AutomationObjectType = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

PyObject* gClassFinder = nullptr;
PyObject* gComError = nullptr;

// The classes found so far by the library's interface name, whose texts live as long as it: a
// wrapper made in a walk finds its class without a dictionary or a Python call.
struct KnownClass {
    const char* interfaceName;
    PyTypeObject* type;
};
KnownClass gKnown[8];
size_t gKnownCount = 0;

PyTypeObject* ClassOf(const char* interfaceName) {
    for (size_t i = 0; i < gKnownCount; ++i)
        if (gKnown[i].interfaceName == interfaceName)
            return gKnown[i].type;
    PyObject* found = PyObject_CallFunction(gClassFinder, "s", interfaceName);
    if (found == nullptr)
        return nullptr;
    if (!PyType_Check(found) ||
        !PyType_IsSubtype(reinterpret_cast<PyTypeObject*>(found), &AutomationObjectType)) {
        Py_DECREF(found);
        PyErr_SetString(PyExc_TypeError, "the class of an interface must derive from the wrapper");
        return nullptr;
    }
    auto* type = reinterpret_cast<PyTypeObject*>(found);
    if (gKnownCount < sizeof gKnown / sizeof gKnown[0])
        gKnown[gKnownCount++] = {interfaceName, type};  // keeps the reference
    else
        Py_DECREF(found);  // the finder's own cache keeps it
    return type;
}

AutomationObject* Self(PyObject* self) {
    return reinterpret_cast<AutomationObject*>(self);
}

// The object's IUnknown: the same for every wrapper of one object. False with ComError set.
bool Identity(AutomationObject* self, IUnknown** unknown) {
    HRESULT hr = self->pointer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown));
    if (FAILED(hr)) {
        RaiseComError(hr, PyUnicode_FromString("QueryInterface"));
        return false;
    }
    (*unknown)->Release();
    return true;
}

// A wrapper of type holding pointer's reference, used by thread; null when memory runs out.
PyObject* NewWrapper(PyTypeObject* type, IDispatch* pointer, unsigned long thread) {
    auto* wrapper = reinterpret_cast<AutomationObject*>(type->tp_alloc(type, 0));
    if (wrapper == nullptr)
        return nullptr;
    wrapper->pointer = pointer;
    wrapper->thread = thread;
    return reinterpret_cast<PyObject*>(wrapper);
}

void Dealloc(PyObject* object) {
    AutomationObject* self = Self(object);
    if (self->pointer != nullptr) {
        self->pointer->Release();
        self->pointer = nullptr;
    }
    Py_TYPE(object)->tp_free(object);
}

PyObject* Repr(PyObject* object) {
    PyObject* name = InterfaceNameOf(object);
    if (name == nullptr)
        return nullptr;
    PyObject* text = PyUnicode_FromFormat("<warbler %U object>", name);
    Py_DECREF(name);
    return text;
}

PyObject* RichCompare(PyObject* a, PyObject* b, int op) {
    if ((op != Py_EQ && op != Py_NE) || !PyObject_TypeCheck(b, &AutomationObjectType))
        Py_RETURN_NOTIMPLEMENTED;
    IUnknown *left, *right;
    if (!Identity(Self(a), &left) || !Identity(Self(b), &right))
        return nullptr;
    return PyBool_FromLong((left == right) == (op == Py_EQ));
}

Py_hash_t Hash(PyObject* object) {
    IUnknown* unknown;
    if (!Identity(Self(object), &unknown))
        return -1;
    PyObject* number = PyLong_FromVoidPtr(unknown);
    if (number == nullptr)
        return -1;
    Py_hash_t hash = PyObject_Hash(number);
    Py_DECREF(number);
    return hash;
}

// A wrapper holds one reference: a copy (shallow or deep alike) takes one of its own, and nothing
// else can duplicate it.
PyObject* Copy(PyObject* object, PyObject*) {
    AutomationObject* self = Self(object);
    if (!CheckThread(self))
        return nullptr;
    self->pointer->AddRef();
    PyObject* copy = NewWrapper(Py_TYPE(object), self->pointer, self->thread);
    if (copy == nullptr)
        self->pointer->Release();
    return copy;
}

PyObject* ReduceEx(PyObject* object, PyObject*) {
    PyObject* name = InterfaceNameOf(object);
    if (name != nullptr) {
        PyErr_Format(PyExc_TypeError, "a warbler %U object cannot be pickled", name);
        Py_DECREF(name);
    }
    return nullptr;
}

PyMethodDef kMethods[] = {
    {"__copy__", Copy, METH_NOARGS, nullptr},
    {"__deepcopy__", Copy, METH_O, nullptr},
    {"__reduce_ex__", ReduceEx, METH_O, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyObject* InterfaceNameOf(PyObject* object) {
    return PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "_interface");
}

bool ReadyAutomationObjectType(getattrofunc getMember, setattrofunc setMember) {
    PyTypeObject& t = AutomationObjectType;
    t.tp_name = "warbler.AutomationObject";
    t.tp_doc = "An object of libwarbler.so reached through IDispatch.";
    t.tp_basicsize = sizeof(AutomationObject);
    t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
    t.tp_dealloc = Dealloc;
    t.tp_repr = Repr;
    t.tp_getattro = getMember;
    t.tp_setattro = setMember;
    t.tp_richcompare = RichCompare;
    t.tp_hash = Hash;
    t.tp_methods = kMethods;
    return PyType_Ready(&t) == 0;
}

void SetClassFinder(PyObject* finder) {
    Py_XINCREF(finder);
    Py_XSETREF(gClassFinder, finder);
}

void SetComErrorClass(PyObject* errorClass) {
    Py_XINCREF(errorClass);
    Py_XSETREF(gComError, errorClass);
}

PyObject* WrapObject(IDispatch* object) {
    const char* interfaceName = nullptr;
    HRESULT hr = gLibrary.objectInterface(object, &interfaceName);
    PyTypeObject* type = nullptr;
    if (FAILED(hr))
        RaiseComError(hr, PyUnicode_FromString("WarblerObjectInterface"));
    else
        type = ClassOf(interfaceName);
    PyObject* wrapper =
        type != nullptr ? NewWrapper(type, object, PyThread_get_thread_ident()) : nullptr;
    if (wrapper == nullptr)
        object->Release();
    return wrapper;
}

bool CheckThread(AutomationObject* self) {
    if (PyThread_get_thread_ident() == self->thread)
        return true;
    PyErr_SetString(PyExc_RuntimeError,
                    "a Warbler object may only be used by the thread that created it");
    return false;
}

PyObject* RaiseComError(HRESULT hr, PyObject* what) {
    if (what == nullptr)
        return nullptr;
    PyObject* error = PyObject_CallFunction(
        gComError, "kO", static_cast<unsigned long>(static_cast<uint32_t>(hr)), what);
    if (error != nullptr) {
        PyErr_SetObject(gComError, error);
        Py_DECREF(error);
    }
    Py_DECREF(what);
    return nullptr;
}

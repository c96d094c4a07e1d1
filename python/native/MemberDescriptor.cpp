#include "native/MemberDescriptor.h"

#include <cstddef>
#include <cstring>

#include "automation/DispatchTable.h"
#include "native/AutomationObject.h"
#include "native/Interruption.h"
#include "native/PythonCompat.h"
#include "native/Variants.h"

namespace {

struct MemberDescriptor {
    PyObject ob_base;
    PyObject* dict;  // __name__, __doc__ and __signature__, which the package gives
    PyObject* name;
    PyObject* what;  // "ITwitter.APICall", for failures
    DISPID id;
    uint16_t kinds;
    // Methods only.
    vectorcallfunc vectorcall;
    PyObject* inputs;    // the [in] parameters' names
    PyObject* index;     // every name a keyword may use -> the parameter's position
    PyObject* defaults;  // per [in] parameter: its default, or REQUIRED
    int outs;
};

PyTypeObject MethodType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject PropertyType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyObject* gRequired = nullptr;

MemberDescriptor* Member(PyObject* object) {
    return reinterpret_cast<MemberDescriptor*>(object);
}

// Invokes member on self with count [in] values (in declaration order) and, after them, the
// member's [out] holders; returns the holders' values (one, or a tuple), the property's value, or
// None.
PyObject* Invoke(AutomationObject* self, MemberDescriptor* member, WORD flags,
                 PyObject* const* values, Py_ssize_t count) {
    if (!CheckThread(self))
        return nullptr;
    int outs = flags == DISPATCH_METHOD ? member->outs : 0;
    Py_ssize_t total = count + outs;
    // DISPPARAMS lists arguments last first: the [out] holders' references lead the array.
    VARIANT arguments[kMaxArguments];
    VARIANT holders[kMaxArguments];
    for (int k = 0; k < outs; ++k) {
        holders[k].vt = VT_EMPTY;
        VARIANT& reference = arguments[outs - 1 - k];
        reference.vt = VT_BYREF | VT_VARIANT;
        reference.pvarVal = &holders[k];
    }
    ArgumentTexts texts;
    for (Py_ssize_t i = 0; i < count; ++i)
        if (!ToVariant(values[i], arguments[total - 1 - i], texts))
            return nullptr;
    DISPID named = DISPID_PROPERTYPUT;
    bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{arguments, put ? &named : nullptr, static_cast<UINT>(total), put ? 1u : 0u};
    VARIANT result;
    result.vt = VT_EMPTY;
    HRESULT hr;
    bool interrupted = false;
    IDispatch* object = self->pointer;
    if (flags == DISPATCH_METHOD) {
        // Methods may wait on the network: other threads run meanwhile.
        interruption::Arm();
        PyThreadState* waiting = PyEval_SaveThread();
        hr = object->Invoke(member->id, IID_NULL, 0, flags, &params, &result, nullptr, nullptr);
        PyEval_RestoreThread(waiting);
        // A Ctrl-C that ended the call raises here, not at some later line of the script.
        interrupted = PyErr_CheckSignals() != 0;
    } else {
        hr = object->Invoke(member->id, IID_NULL, 0, flags, &params, &result, nullptr, nullptr);
    }
    PyObject* value = nullptr;
    if (interrupted) {
        // KeyboardInterrupt stands.
    } else if (hr == DISP_E_OVERFLOW) {
        PyErr_Format(PyExc_OverflowError, "%U: an argument does not fit its parameter's type",
                     member->what);
    } else if (FAILED(hr)) {
        RaiseComError(hr, Py_NewRef(member->what));
    } else if (flags != DISPATCH_METHOD) {
        value = FromVariant(result);
    } else if (outs == 0) {
        value = Py_NewRef(Py_None);
    } else if (outs == 1) {
        value = FromVariant(holders[0]);
    } else {
        value = PyTuple_New(outs);
        for (int k = 0; value != nullptr && k < outs; ++k) {
            PyObject* item = FromVariant(holders[k]);
            if (item == nullptr)
                Py_CLEAR(value);
            else
                PyTuple_SET_ITEM(value, k, item);
        }
    }
    ClearVariant(result);
    for (int k = 0; k < outs; ++k) ClearVariant(holders[k]);
    return value;
}

// Places the keyword arguments among values (null where none was given yet); the keys that name
// no parameter are collected in *unexpected. False with an exception set.
bool BindKeywords(MemberDescriptor* member, PyObject* const* args, Py_ssize_t given,
                  PyObject* kwnames, PyObject** values, PyObject** unexpected) {
    for (Py_ssize_t j = 0; j < PyTuple_GET_SIZE(kwnames); ++j) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, j);
        PyObject* position = PyDict_GetItemWithError(member->index, key);
        if (position == nullptr && !PyErr_Occurred()) {
            PyObject* lower = PyObject_CallMethod(key, "lower", nullptr);
            if (lower == nullptr)
                return false;
            position = PyDict_GetItemWithError(member->index, lower);
            Py_DECREF(lower);
        }
        if (position == nullptr) {
            if (PyErr_Occurred() ||
                (*unexpected == nullptr && (*unexpected = PyList_New(0)) == nullptr) ||
                PyList_Append(*unexpected, key) < 0)
                return false;
            continue;
        }
        Py_ssize_t i = PyLong_AsSsize_t(position);
        if (i < given) {
            PyErr_Format(PyExc_TypeError, "%U() got argument %R by position and by keyword",
                         member->name, PyTuple_GET_ITEM(member->inputs, i));
            return false;
        }
        if (values[i] != nullptr) {
            PyErr_Format(PyExc_TypeError, "%U() got argument %R twice", member->name, key);
            return false;
        }
        values[i] = args[given + j];
    }
    return true;
}

// The defaults of the arguments not given; false, with TypeError, when one of them has none.
bool FillDefaults(MemberDescriptor* member, PyObject** values, Py_ssize_t count) {
    for (Py_ssize_t i = 0; i < count; ++i) {
        if (values[i] != nullptr)
            continue;
        values[i] = PyTuple_GET_ITEM(member->defaults, i);
        if (values[i] == gRequired) {
            PyErr_Format(PyExc_TypeError, "%U() missing argument %R", member->name,
                         PyTuple_GET_ITEM(member->inputs, i));
            return false;
        }
    }
    return true;
}

PyObject* CallMethod(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    MemberDescriptor* member = Member(callable);
    Py_ssize_t given = PyVectorcall_NARGS(nargsf);
    if (given < 1 || !PyObject_TypeCheck(args[0], &AutomationObjectType))
        return PyErr_Format(PyExc_TypeError, "%U() needs a warbler object", member->name);
    auto* self = reinterpret_cast<AutomationObject*>(args[0]);
    ++args;
    --given;
    Py_ssize_t count = PyTuple_GET_SIZE(member->inputs);
    if (given > count)
        return PyErr_Format(PyExc_TypeError, "%U() takes %zd arguments", member->name, count);
    PyObject* values[kMaxArguments];
    for (Py_ssize_t i = 0; i < count; ++i) values[i] = i < given ? args[i] : nullptr;
    PyObject* unexpected = nullptr;
    bool ok =
        (kwnames == nullptr || BindKeywords(member, args, given, kwnames, values, &unexpected)) &&
        FillDefaults(member, values, count);
    // Unknown keywords are told last, all at once.
    if (ok && unexpected != nullptr && PyList_Sort(unexpected) == 0) {
        PyErr_Format(PyExc_TypeError, "%U() got unexpected arguments %R", member->name, unexpected);
        ok = false;
    }
    Py_XDECREF(unexpected);
    return ok ? Invoke(self, member, DISPATCH_METHOD, values, count) : nullptr;
}

PyObject* MethodGet(PyObject* method, PyObject* object, PyObject*) {
    if (object == nullptr || object == Py_None)
        return Py_NewRef(method);
    return PyMethod_New(method, object);
}

PyObject* PropertyGet(PyObject* property, PyObject* object, PyObject*) {
    if (object == nullptr || object == Py_None)
        return Py_NewRef(property);
    MemberDescriptor* member = Member(property);
    if (!PyObject_TypeCheck(object, &AutomationObjectType))
        return PyErr_Format(PyExc_TypeError, "%U needs a warbler object", member->what);
    if (!(member->kinds & dispatch::kGet))
        return PyErr_Format(PyExc_AttributeError, "%U cannot be read", member->what);
    return Invoke(reinterpret_cast<AutomationObject*>(object), member, DISPATCH_PROPERTYGET,
                  nullptr, 0);
}

int PropertySet(PyObject* property, PyObject* object, PyObject* value) {
    MemberDescriptor* member = Member(property);
    if (!PyObject_TypeCheck(object, &AutomationObjectType)) {
        PyErr_Format(PyExc_TypeError, "%U needs a warbler object", member->what);
        return -1;
    }
    if (value == nullptr || !(member->kinds & dispatch::kPut)) {
        PyErr_Format(PyExc_AttributeError, "%U cannot be %s", member->what,
                     value ? "set" : "deleted");
        return -1;
    }
    PyObject* done = Invoke(reinterpret_cast<AutomationObject*>(object), member,
                            DISPATCH_PROPERTYPUT, &value, 1);
    Py_XDECREF(done);
    return done != nullptr ? 0 : -1;
}

PyObject* Repr(PyObject* object) {
    MemberDescriptor* member = Member(object);
    return PyUnicode_FromFormat(
        "<%s %U>", member->kinds & dispatch::kMethod ? "method" : "property", member->what);
}

void Dealloc(PyObject* object) {
    MemberDescriptor* member = Member(object);
    Py_XDECREF(member->dict);
    Py_XDECREF(member->name);
    Py_XDECREF(member->what);
    Py_XDECREF(member->inputs);
    Py_XDECREF(member->index);
    Py_XDECREF(member->defaults);
    Py_TYPE(object)->tp_free(object);
}

MemberDescriptor* Allocate(PyTypeObject* type, int id, PyObject* name, PyObject* what, int kinds) {
    auto* member = reinterpret_cast<MemberDescriptor*>(type->tp_alloc(type, 0));
    if (member == nullptr)
        return nullptr;
    member->id = id;
    member->kinds = static_cast<uint16_t>(kinds);
    member->name = Py_NewRef(name);
    member->what = Py_NewRef(what);
    return member;
}

// Method(id, name, what, inputs, index, defaults, outs)
PyObject* NewMethod(PyTypeObject* type, PyObject* args, PyObject*) {
    int id, outs;
    PyObject *name, *what, *inputs, *index, *defaults;
    if (!PyArg_ParseTuple(args, "iUUO!O!O!i", &id, &name, &what, &PyTuple_Type, &inputs,
                          &PyDict_Type, &index, &PyTuple_Type, &defaults, &outs))
        return nullptr;
    if (PyTuple_GET_SIZE(inputs) + outs > kMaxArguments || outs < 0 ||
        PyTuple_GET_SIZE(defaults) != PyTuple_GET_SIZE(inputs))
        return PyErr_Format(PyExc_ValueError, "%U: unsupported parameter list", what);
    MemberDescriptor* member = Allocate(type, id, name, what, dispatch::kMethod);
    if (member == nullptr)
        return nullptr;
    member->vectorcall = CallMethod;
    member->inputs = Py_NewRef(inputs);
    member->index = Py_NewRef(index);
    member->defaults = Py_NewRef(defaults);
    member->outs = outs;
    return reinterpret_cast<PyObject*>(member);
}

// Property(id, name, what, kinds)
PyObject* NewProperty(PyTypeObject* type, PyObject* args, PyObject*) {
    int id, kinds;
    PyObject *name, *what;
    if (!PyArg_ParseTuple(args, "iUUi", &id, &name, &what, &kinds))
        return nullptr;
    return reinterpret_cast<PyObject*>(Allocate(type, id, name, what, kinds));
}

PyGetSetDef kDictGetSet[] = {
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

bool Ready(PyObject* module, PyTypeObject& type, const char* name, const char* doc) {
    type.tp_name = name;
    type.tp_doc = doc;
    type.tp_basicsize = sizeof(MemberDescriptor);
    type.tp_dealloc = Dealloc;
    type.tp_repr = Repr;
    type.tp_getattro = PyObject_GenericGetAttr;
    type.tp_setattro = PyObject_GenericSetAttr;
    type.tp_dictoffset = offsetof(MemberDescriptor, dict);
    type.tp_getset = kDictGetSet;
    if (PyType_Ready(&type) < 0)
        return false;
    const char* shortName = std::strrchr(name, '.') + 1;
    return PyModule_AddObjectRef(module, shortName, reinterpret_cast<PyObject*>(&type)) == 0;
}

}  // namespace

// The member of the object's class named name without regard to case (a new reference), or null.
PyObject* MemberNoCase(PyObject* object, PyObject* name) {
    PyObject* members =
        PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "_members");
    if (members == nullptr)
        return nullptr;
    PyObject* lower = PyObject_CallMethod(name, "lower", nullptr);
    PyObject* member = lower != nullptr ? PyDict_GetItemWithError(members, lower) : nullptr;
    Py_XINCREF(member);  // before the dictionary that holds it may go
    Py_XDECREF(lower);
    Py_DECREF(members);
    return member;
}

PyObject* GetMember(PyObject* object, PyObject* name) {
    PyObject* found = PyObject_GenericGetAttr(object, name);
    if (found != nullptr || !PyUnicode_Check(name) || !PyErr_ExceptionMatches(PyExc_AttributeError))
        return found;
    // Names match without regard to case, as in OLE Automation.
    PyErr_Clear();
    PyObject* member = MemberNoCase(object, name);
    if (member != nullptr) {
        PyObject* value = Py_TYPE(member)->tp_descr_get(
            member, object, reinterpret_cast<PyObject*>(Py_TYPE(object)));
        Py_DECREF(member);
        return value;
    }
    if (PyErr_Occurred())
        return nullptr;
    PyObject* interfaceName = InterfaceNameOf(object);
    if (interfaceName != nullptr) {
        PyErr_Format(PyExc_AttributeError, "%U has no member %R", interfaceName, name);
        Py_DECREF(interfaceName);
    }
    return nullptr;
}

int SetMember(PyObject* object, PyObject* name, PyObject* value) {
    // The interface's properties only, by any case: a script's typo must not become a new
    // attribute that the object never sees.
    PyObject* member = PyUnicode_Check(name) ? MemberNoCase(object, name) : nullptr;
    if (member == nullptr && PyErr_Occurred())
        return -1;
    if (member == nullptr || !Py_IS_TYPE(member, &PropertyType) ||
        !(Member(member)->kinds & dispatch::kPut)) {
        Py_XDECREF(member);
        PyObject* interfaceName = InterfaceNameOf(object);
        if (interfaceName != nullptr) {
            PyErr_Format(PyExc_AttributeError, "%U has no property %R to set", interfaceName, name);
            Py_DECREF(interfaceName);
        }
        return -1;
    }
    int set = Py_TYPE(member)->tp_descr_set(member, object, value);
    Py_DECREF(member);
    return set;
}

bool ReadyMemberDescriptorTypes(PyObject* module) {
    MethodType.tp_flags =
        Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR;
    MethodType.tp_vectorcall_offset = offsetof(MemberDescriptor, vectorcall);
    MethodType.tp_call = PyVectorcall_Call;
    MethodType.tp_descr_get = MethodGet;
    MethodType.tp_new = NewMethod;
    PropertyType.tp_flags = Py_TPFLAGS_DEFAULT;
    PropertyType.tp_descr_get = PropertyGet;
    PropertyType.tp_descr_set = PropertySet;
    PropertyType.tp_new = NewProperty;
    gRequired = PyObject_CallNoArgs(reinterpret_cast<PyObject*>(&PyBaseObject_Type));
    return gRequired != nullptr &&
           Ready(module, MethodType, "warbler._native.Method",
                 "A method of an automation interface.") &&
           Ready(module, PropertyType, "warbler._native.Property",
                 "A property of an automation interface.") &&
           PyModule_AddObjectRef(module, "REQUIRED", gRequired) == 0;
}

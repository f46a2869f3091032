#include "regex/automation.h"

#include <cmath>
#include <string>
#include <vector>

#include "text/wide.h"

Bstr::Bstr(const Text& text)
{
    int length = WideLengthFromGbk(text);
    value_ = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (value_)
        WideFromGbkInto(text, value_, length);
}

Bstr& Bstr::operator=(Bstr&& other) noexcept
{
    if (this != &other) {
        SysFreeString(value_);
        value_ = other.value_;
        other.value_ = nullptr;
    }
    return *this;
}

BSTR Bstr::Release()
{
    BSTR value = value_;
    value_ = nullptr;
    return value;
}

Variant::Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

Variant& Variant::operator=(Variant&& other) noexcept
{
    if (this != &other) {
        VariantClear(&value_);
        value_ = other.value_;
        VariantInit(&other.value_);
    }
    return *this;
}

BSTR* Variant::StringSlot() { return value_.vt == VT_BSTR ? &value_.bstrVal : nullptr; }

VARIANT* Variant::Reset()
{
    VariantClear(&value_);
    VariantInit(&value_);
    return &value_;
}

AutomationObject::AutomationObject(const AutomationObject& other) : dispatch_(other.dispatch_)
{
    if (dispatch_)
        dispatch_->AddRef();
}

AutomationObject& AutomationObject::operator=(const AutomationObject& other)
{
    // AddRef before Release, so that assigning an object to itself keeps it.
    IDispatch* dispatch = other.dispatch_;
    if (dispatch)
        dispatch->AddRef();
    Clear();
    dispatch_ = dispatch;
    return *this;
}

AutomationObject& AutomationObject::operator=(AutomationObject&& other) noexcept
{
    if (this != &other) {
        Clear();
        dispatch_ = other.dispatch_;
        other.dispatch_ = nullptr;
    }
    return *this;
}

void AutomationObject::Clear()
{
    if (IDispatch* dispatch = dispatch_) {
        dispatch_ = nullptr;
        dispatch->Release();
    }
}

namespace {

// Owns any strings that Invoke leaves in an EXCEPINFO.
struct ExceptionInfo {
    EXCEPINFO info = {};
    ~ExceptionInfo()
    {
        if (info.pfnDeferredFillIn)
            info.pfnDeferredFillIn(&info);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

// Owns one IUnknown reference during the creation of an object.
struct UnknownReference {
    IUnknown* unknown = nullptr;
    ~UnknownReference()
    {
        if (unknown)
            unknown->Release();
    }
};

bool Invoke(const AutomationObject& object, const wchar_t* member, WORD kind, std::span<const Variant> arguments,
            bool named, VARIANT* result)
{
    IDispatch* dispatch = object.get();
    if (!dispatch)
        return false;
    // Looked up on the object at the time of every call.
    LPOLESTR name = const_cast<LPOLESTR>(member);
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)))
        return false;

    // Invoke takes the arguments last to first. The copies are shallow: the
    // Variants stay the owners, and Invoke does not free what it is given.
    std::vector<VARIANTARG> reversed(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i)
        reversed[arguments.size() - 1 - i] = arguments[i].get();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {};
    parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
    parameters.cArgs = static_cast<UINT>(reversed.size());
    if (named) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }

    ExceptionInfo exception;
    UINT argumentError = 0;
    HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, &exception.info,
                                  &argumentError);
    if (FAILED(hr)) {
        // Whatever a failing call may have left in the result goes too.
        if (result) {
            VariantClear(result);
            VariantInit(result);
        }
        return false;
    }
    return true;
}

}  // namespace

Variant TextArgument(const Text& text)
{
    Variant argument;
    Bstr value(text);
    if (!value.get())
        return argument;  // out of memory: an empty argument, which the call will refuse
    VARIANT* v = argument.Reset();
    v->vt = VT_BSTR;
    v->bstrVal = value.Release();
    return argument;
}

void ReuseTextArgument(Variant& argument, const Text& text)
{
    // Resizing the string the argument holds keeps its memory where it fits:
    // under Wine a fresh block of megabytes costs more than converting a page
    // into it.
    BSTR* slot = argument.StringSlot();
    int length = WideLengthFromGbk(text);
    if (!slot || !SysReAllocStringLen(slot, nullptr, static_cast<UINT>(length))) {
        argument = TextArgument(text);
        return;
    }
    WideFromGbkInto(text, *slot, length);
}

Variant BoolArgument(bool value)
{
    Variant argument;
    VARIANT* v = argument.Reset();
    v->vt = VT_BOOL;
    v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return argument;
}

Variant Int32Argument(int32_t value)
{
    Variant argument;
    VARIANT* v = argument.Reset();
    v->vt = VT_I4;
    v->lVal = value;
    return argument;
}

Variant DoubleArgument(double value)
{
    Variant argument;
    VARIANT* v = argument.Reset();
    v->vt = VT_R8;
    v->dblVal = value;
    return argument;
}

AutomationObject CreateAutomationObject(const wchar_t* progId)
{
    CLSID classId;
    if (!progId || FAILED(CLSIDFromProgID(progId, &classId)))
        return AutomationObject();
    UnknownReference created;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&created.unknown))))
        return AutomationObject();
    // Only objects that have a running state care; for the others this is a no-op.
    OleRun(created.unknown);
    IDispatch* dispatch = nullptr;
    if (FAILED(created.unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return AutomationObject();
    return AutomationObject(dispatch);
}

Variant GetProperty(const AutomationObject& object, const wchar_t* member, std::span<const Variant> arguments)
{
    Variant result;
    Invoke(object, member, DISPATCH_PROPERTYGET, arguments, false, result.Reset());
    return result;
}

bool PutProperty(const AutomationObject& object, const wchar_t* member, const Variant& value)
{
    return Invoke(object, member, DISPATCH_PROPERTYPUT, std::span<const Variant>(&value, 1), true, nullptr);
}

Variant CallMethod(const AutomationObject& object, const wchar_t* member, std::span<const Variant> arguments)
{
    Variant result;
    Invoke(object, member, DISPATCH_METHOD, arguments, false, result.Reset());
    return result;
}

Text TextOf(const Variant& value)
{
    const VARIANT& v = value.get();
    if (v.vt == VT_BSTR)
        return GbkFromWide(std::wstring_view(v.bstrVal, SysStringLen(v.bstrVal)));
    Variant converted;
    if (FAILED(VariantChangeType(converted.Reset(), const_cast<VARIANT*>(&v), 0, VT_BSTR)))
        return Text();
    const VARIANT& c = converted.get();
    return GbkFromWide(std::wstring_view(c.bstrVal, SysStringLen(c.bstrVal)));
}

double NumberOf(const Variant& value)
{
    Variant converted;
    if (FAILED(VariantChangeType(converted.Reset(), const_cast<VARIANT*>(&value.get()), 0, VT_R8)))
        return 0;
    return converted.get().dblVal;
}

AutomationObject ObjectOf(const Variant& value)
{
    const VARIANT& v = value.get();
    if (v.vt == VT_DISPATCH && v.pdispVal) {
        v.pdispVal->AddRef();
        return AutomationObject(v.pdispVal);
    }
    IDispatch* dispatch = nullptr;
    if (v.vt != VT_UNKNOWN || !v.punkVal ||
        FAILED(v.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return AutomationObject();
    return AutomationObject(dispatch);
}

int32_t TruncateToInt32(double number)
{
    if (std::isnan(number))
        return 0;
    number = std::trunc(number);
    if (number <= static_cast<double>(INT32_MIN))
        return INT32_MIN;
    if (number >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    return static_cast<int32_t>(number);
}

// Late-bound automation: reading, writing and calling an object's members by
// name through IDispatch, with small owners for BSTRs, VARIANTs and object
// references.
//
// Every call fails silently: whatever goes wrong (an empty object, an unknown
// member, an argument the member does not take, an error raised by the
// object, a result of the wrong kind) yields the empty value of the kind the
// caller asked for. Texts cross into automation as UTF-16 converted from code
// page 936 and come back the same way.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <span>

#include "text/text.h"

// Owns one BSTR.
class Bstr {
public:
    Bstr() = default;
    // Converted from code page 936 straight into the string.
    explicit Bstr(const Text& text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : value_(other.value_) { other.value_ = nullptr; }
    Bstr& operator=(Bstr&& other) noexcept;
    ~Bstr() { SysFreeString(value_); }

    BSTR get() const { return value_; }
    // Gives the string to a new owner (a VARIANT).
    BSTR Release();

private:
    BSTR value_ = nullptr;
};

// Owns one VARIANT and clears it when it goes.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    ~Variant() { VariantClear(&value_); }

    const VARIANT& get() const { return value_; }
    // For an out parameter: clears what the variant held first.
    VARIANT* Reset();
    // The string a VT_BSTR variant holds, to be resized in place; null for
    // any other kind.
    BSTR* StringSlot();

private:
    VARIANT value_;
};

// Owns one reference to an automation object, or nothing. Copying adds a
// reference; clearing releases it.
class AutomationObject {
public:
    AutomationObject() = default;
    // Takes over a reference the caller holds.
    explicit AutomationObject(IDispatch* adopted) : dispatch_(adopted) {}
    AutomationObject(const AutomationObject& other);
    AutomationObject& operator=(const AutomationObject& other);
    AutomationObject(AutomationObject&& other) noexcept : dispatch_(other.dispatch_) { other.dispatch_ = nullptr; }
    AutomationObject& operator=(AutomationObject&& other) noexcept;
    ~AutomationObject() { Clear(); }

    void Clear();
    bool empty() const { return dispatch_ == nullptr; }
    IDispatch* get() const { return dispatch_; }

private:
    IDispatch* dispatch_ = nullptr;
};

// Arguments. A text goes as a BSTR converted from code page 936, a bool as an
// automation boolean (true is -1).
Variant TextArgument(const Text& text);
// The same text argument, made in the string `argument` already holds.
void ReuseTextArgument(Variant& argument, const Text& text);
Variant BoolArgument(bool value);
Variant Int32Argument(int32_t value);
Variant DoubleArgument(double value);

// Looks the class up by its programmatic identifier, creates the object and
// puts it into its running state; empty when any of that fails or the object
// has no automation interface.
AutomationObject CreateAutomationObject(const wchar_t* progId);

// The three kinds of call. Arguments are given in the member's own order.
// A failed read or call gives the empty variant; a failed write gives false.
Variant GetProperty(const AutomationObject& object, const wchar_t* member, std::span<const Variant> arguments = {});
bool PutProperty(const AutomationObject& object, const wchar_t* member, const Variant& value);
Variant CallMethod(const AutomationObject& object, const wchar_t* member, std::span<const Variant> arguments = {});

// Conversions of a result. TextOf uses the default variant-to-string
// conversion without options, so a boolean reads "-1" or "0"; NumberOf gives
// 0 and ObjectOf the empty object when the value does not convert.
Text TextOf(const Variant& value);
double NumberOf(const Variant& value);
AutomationObject ObjectOf(const Variant& value);

// A number truncated toward zero, kept inside the 32-bit range (NaN gives 0).
int32_t TruncateToInt32(double number);

#include "regex/own_engine_object.h"

#include <oleauto.h>

#include <string>
#include <string_view>

#include "regex/engine/regex_engine.h"

namespace engine = vesk::regex_engine;

namespace {

// VBScript's own error numbers, as its RegExp object raises them.
constexpr SCODE kInvalidArgument = static_cast<SCODE>(0x800A0005);  // "Invalid procedure call or argument"
constexpr SCODE kOutOfStack = static_cast<SCODE>(0x800A001C);       // "Out of stack space"
constexpr SCODE kPatternSyntax = static_cast<SCODE>(0x800A1399);    // "Syntax error in regular expression"

struct Member {
    const wchar_t* name;
    DISPID id;
};

std::u16string_view ViewOf(BSTR text)
{
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text))
                : std::u16string_view();
}

BSTR NewBstr(std::u16string_view text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

HRESULT Raise(EXCEPINFO* exception, SCODE code, const wchar_t* description)
{
    if (exception) {
        *exception = EXCEPINFO{};
        exception->bstrSource = SysAllocString(L"Vesk regular expression");
        exception->bstrDescription = SysAllocString(description);
        exception->scode = code;
    }
    return DISP_E_EXCEPTION;
}

HRESULT RaiseFor(engine::ScanStatus status, EXCEPINFO* exception)
{
    if (status == engine::ScanStatus::PatternRejected)
        return Raise(exception, kPatternSyntax, L"Syntax error in regular expression");
    return Raise(exception, kOutOfStack, L"The pattern takes too long over this text");
}

// The positional arguments of one call, in the member's own order.
class Arguments {
public:
    explicit Arguments(const DISPPARAMS* params) : params_(params) {}
    UINT count() const { return params_ ? params_->cArgs - params_->cNamedArgs : 0; }

    // A text argument: a string as given (a page runs to megabytes, so it is
    // not copied), anything else converted into `converted`.
    bool Text(UINT index, VARIANT& converted, std::u16string_view& text) const
    {
        if (index >= count())
            return false;
        const VARIANT& given = params_->rgvarg[params_->cArgs - 1 - index];
        if (given.vt == VT_BSTR) {
            text = ViewOf(given.bstrVal);
            return true;
        }
        if (!Convert(index, VT_BSTR, converted))
            return false;
        text = ViewOf(converted.bstrVal);
        return true;
    }
    bool Bool(UINT index, bool& value) const
    {
        VARIANT converted;
        VariantInit(&converted);
        if (!Convert(index, VT_BOOL, converted))
            return false;
        value = converted.boolVal != VARIANT_FALSE;
        return true;
    }
    bool Int(UINT index, int32_t& value) const
    {
        VARIANT converted;
        VariantInit(&converted);
        if (!Convert(index, VT_I4, converted))
            return false;
        value = converted.lVal;
        return true;
    }
    // The value of a property write (the named DISPID_PROPERTYPUT argument).
    const VARIANT* PutValue() const
    {
        if (!params_ || params_->cArgs < 1 || params_->cNamedArgs != 1 || !params_->rgdispidNamedArgs ||
            params_->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return nullptr;
        return &params_->rgvarg[0];
    }

private:
    bool Convert(UINT index, VARTYPE type, VARIANT& converted) const
    {
        if (index >= count())
            return false;
        // The arguments come last first.
        VARIANT& given = params_->rgvarg[params_->cArgs - 1 - index];
        return SUCCEEDED(VariantChangeType(&converted, &given, 0, type));
    }

    const DISPPARAMS* params_;
};

// A VARIANT owned for the length of one call.
struct LocalVariant {
    VARIANT value;
    LocalVariant() { VariantInit(&value); }
    ~LocalVariant() { VariantClear(&value); }
    LocalVariant(const LocalVariant&) = delete;
    LocalVariant& operator=(const LocalVariant&) = delete;
};

// IUnknown and the name lookup of IDispatch for every object below; the
// object itself answers Call(id, flags, arguments, result, exception).
template <typename Object>
class DispatchObject : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete static_cast<Object*>(this);
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }
    // Member names are found regardless of case, as VBScript finds them.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!names || !ids)
            return E_POINTER;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (i == 0) {
                for (const Member& member : Object::kMembers) {
                    if (names[0] && CompareStringOrdinal(names[0], -1, member.name, -1, TRUE) == CSTR_EQUAL)
                        ids[0] = member.id;
                }
            }
            if (ids[i] == DISPID_UNKNOWN)
                result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override
    {
        LocalVariant scratch;
        VARIANT* out = result ? result : &scratch.value;
        VariantInit(out);
        return static_cast<Object*>(this)->Call(id, flags, Arguments(params), *out, exception);
    }

protected:
    virtual ~DispatchObject() = default;

    static bool IsRead(WORD flags) { return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0; }
    static bool IsWrite(WORD flags) { return (flags & DISPATCH_PROPERTYPUT) != 0; }

    // The two members of a collection, Count and Item(index); `put(index,
    // result)` fills in item `index` and is false when there is none.
    template <typename PutItem>
    static HRESULT CallCollection(DISPID id, WORD flags, const Arguments& arguments, VARIANT& result,
                                  EXCEPINFO* exception, int32_t count, PutItem put)
    {
        if (!IsRead(flags) || (id != DISPID_VALUE && id != kCollectionCount))
            return DISP_E_MEMBERNOTFOUND;
        if (arguments.count() != (id == kCollectionCount ? 0u : 1u))
            return DISP_E_BADPARAMCOUNT;
        if (id == kCollectionCount) {
            result.vt = VT_I4;
            result.lVal = count;
            return S_OK;
        }
        int32_t index = 0;
        if (!arguments.Int(0, index))
            return DISP_E_TYPEMISMATCH;
        if (!put(index, result))
            return Raise(exception, kInvalidArgument, L"Invalid procedure call or argument");
        return S_OK;
    }
    static constexpr DISPID kCollectionCount = 1;

    // Hands a new object to the caller's result, which then holds its one reference.
    static void ReturnObject(VARIANT& result, IDispatch* object)
    {
        result.vt = VT_DISPATCH;
        result.pdispVal = object;
    }

private:
    LONG references_ = 1;
};

class SubMatchesObject final : public DispatchObject<SubMatchesObject> {
public:
    static constexpr DISPID kItem = DISPID_VALUE, kCount = kCollectionCount;
    static constexpr Member kMembers[] = {{L"Item", kItem}, {L"Count", kCount}};

    explicit SubMatchesObject(engine::MatchItem match) : match_(std::move(match)) {}

    HRESULT Call(DISPID id, WORD flags, const Arguments& arguments, VARIANT& result, EXCEPINFO* exception)
    {
        return CallCollection(id, flags, arguments, result, exception, match_.SubMatchCount(),
                              [&](int32_t index, VARIANT& item) {
                                  bool tookPart = false, inRange = false;
                                  std::u16string_view text = match_.SubMatch(index, &tookPart, &inRange);
                                  if (inRange && tookPart) {  // a group that took no part stays Empty
                                      item.vt = VT_BSTR;
                                      item.bstrVal = NewBstr(text);
                                  }
                                  return inRange;
                              });
    }

private:
    engine::MatchItem match_;
};

class MatchObject final : public DispatchObject<MatchObject> {
public:
    static constexpr DISPID kValue = DISPID_VALUE, kFirstIndex = 1, kLength = 2, kSubMatches = 3;
    static constexpr Member kMembers[] = {
        {L"Value", kValue}, {L"FirstIndex", kFirstIndex}, {L"Length", kLength}, {L"SubMatches", kSubMatches}};

    explicit MatchObject(engine::MatchItem match) : match_(std::move(match)) {}

    HRESULT Call(DISPID id, WORD flags, const Arguments& arguments, VARIANT& result, EXCEPINFO*)
    {
        if (!IsRead(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (arguments.count() != 0)
            return DISP_E_BADPARAMCOUNT;
        switch (id) {
        case kValue:
            result.vt = VT_BSTR;
            result.bstrVal = NewBstr(match_.Value());
            return S_OK;
        case kFirstIndex:
            result.vt = VT_I4;
            result.lVal = match_.FirstIndex();
            return S_OK;
        case kLength:
            result.vt = VT_I4;
            result.lVal = match_.Length();
            return S_OK;
        case kSubMatches:
            ReturnObject(result, new SubMatchesObject(match_));
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    engine::MatchItem match_;
};

class MatchesObject final : public DispatchObject<MatchesObject> {
public:
    static constexpr DISPID kItem = DISPID_VALUE, kCount = kCollectionCount;
    static constexpr Member kMembers[] = {{L"Item", kItem}, {L"Count", kCount}};

    explicit MatchesObject(engine::MatchCollection matches) : matches_(std::move(matches)) {}

    HRESULT Call(DISPID id, WORD flags, const Arguments& arguments, VARIANT& result, EXCEPINFO* exception)
    {
        return CallCollection(id, flags, arguments, result, exception, matches_.Count(),
                              [&](int32_t index, VARIANT& item) {
                                  engine::MatchItem match;
                                  if (!matches_.Item(index, match))
                                      return false;
                                  ReturnObject(item, new MatchObject(std::move(match)));
                                  return true;
                              });
    }

private:
    engine::MatchCollection matches_;
};

class RegExpObject final : public DispatchObject<RegExpObject> {
public:
    static constexpr DISPID kPattern = 1, kIgnoreCase = 2, kGlobal = 3, kMultiline = 4, kExecute = 5,
                            kReplace = 6, kTest = 7;
    static constexpr Member kMembers[] = {
        {L"Pattern", kPattern}, {L"IgnoreCase", kIgnoreCase}, {L"Global", kGlobal}, {L"Multiline", kMultiline},
        {L"Execute", kExecute}, {L"Replace", kReplace},       {L"Test", kTest}};

    HRESULT Call(DISPID id, WORD flags, const Arguments& arguments, VARIANT& result, EXCEPINFO* exception)
    {
        switch (id) {
        case kPattern:
        case kIgnoreCase:
        case kGlobal:
        case kMultiline:
            return IsWrite(flags) ? Write(id, arguments) : Read(id, flags, arguments, result);
        case kExecute:
        case kReplace:
        case kTest:
            if (!IsRead(flags))
                return DISP_E_MEMBERNOTFOUND;
            return Run(id, arguments, result, exception);
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    HRESULT Read(DISPID id, WORD flags, const Arguments& arguments, VARIANT& result)
    {
        if (!IsRead(flags))
            return DISP_E_MEMBERNOTFOUND;
        if (arguments.count() != 0)
            return DISP_E_BADPARAMCOUNT;
        if (id == kPattern) {
            result.vt = VT_BSTR;
            result.bstrVal = NewBstr(regex_.Pattern());
            return S_OK;
        }
        bool value = id == kIgnoreCase ? regex_.IgnoreCase() : id == kGlobal ? regex_.Global() : regex_.Multiline();
        result.vt = VT_BOOL;
        result.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT Write(DISPID id, const Arguments& arguments)
    {
        const VARIANT* given = arguments.PutValue();
        if (!given)
            return DISP_E_BADPARAMCOUNT;
        LocalVariant converted;
        if (FAILED(VariantChangeType(&converted.value, const_cast<VARIANT*>(given), 0, id == kPattern ? VT_BSTR : VT_BOOL)))
            return DISP_E_TYPEMISMATCH;
        if (id == kPattern) {
            regex_.SetPattern(ViewOf(converted.value.bstrVal));
            return S_OK;
        }
        bool on = converted.value.boolVal != VARIANT_FALSE;
        if (id == kIgnoreCase)
            regex_.SetIgnoreCase(on);
        else if (id == kGlobal)
            regex_.SetGlobal(on);
        else
            regex_.SetMultiline(on);
        return S_OK;
    }

    HRESULT Run(DISPID id, const Arguments& arguments, VARIANT& result, EXCEPINFO* exception)
    {
        UINT wanted = id == kReplace ? 2 : 1;
        if (arguments.count() != wanted)
            return DISP_E_BADPARAMCOUNT;
        LocalVariant subjectStorage, replacementStorage;
        std::u16string_view subject, replacement;
        if (!arguments.Text(0, subjectStorage.value, subject) ||
            (id == kReplace && !arguments.Text(1, replacementStorage.value, replacement)))
            return DISP_E_TYPEMISMATCH;

        if (id == kExecute) {
            engine::MatchCollection matches;
            engine::ScanStatus status = regex_.Execute(subject, matches);
            if (status != engine::ScanStatus::Ok)
                return RaiseFor(status, exception);
            ReturnObject(result, new MatchesObject(std::move(matches)));
            return S_OK;
        }
        if (id == kReplace) {
            std::u16string replaced;
            engine::ScanStatus status = regex_.Replace(subject, replacement, replaced);
            if (status != engine::ScanStatus::Ok)
                return RaiseFor(status, exception);
            result.vt = VT_BSTR;
            result.bstrVal = NewBstr(replaced);
            return S_OK;
        }
        bool found = false;
        engine::ScanStatus status = regex_.Test(subject, found);
        if (status != engine::ScanStatus::Ok)
            return RaiseFor(status, exception);
        result.vt = VT_BOOL;
        result.boolVal = found ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    engine::RegExp regex_;
};

}  // namespace

AutomationObject CreateOwnRegexEngine() { return AutomationObject(new RegExpObject()); }

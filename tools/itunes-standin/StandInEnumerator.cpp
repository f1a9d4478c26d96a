#include "StandInEnumerator.h"

#include <algorithm>

#include "StandInState.h"

namespace {

class Enumerator : public IEnumVARIANT {
public:
    Enumerator(long count, std::function<ServerObject*(long)> make, long next = 0)
        : count_(count), make_(std::move(make)), next_(next) {
        State().ObjectCreated();
    }
    virtual ~Enumerator() { State().ObjectDestroyed(); }
    Enumerator(const Enumerator&) = delete;
    Enumerator& operator=(const Enumerator&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumVARIANT)) {
            *object = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const long left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // Calls answered like those of IDispatch, and failed on request as "Next".
    STDMETHODIMP Next(ULONG wanted, VARIANT* values, ULONG* fetched) override {
        ++State().answeredCalls;
        if (fetched) *fetched = 0;
        if (!values || (wanted > 1 && !fetched)) return E_INVALIDARG;
        if (State().ShouldFail(L"Next")) return E_FAIL;
        ULONG given = 0;
        for (; given < wanted && next_ < count_; ++given, ++next_) {
            ::VariantInit(&values[given]);
            ReturnObject(&values[given], make_(next_));
        }
        if (fetched) *fetched = given;
        return given == wanted ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG skipped) override {
        ++State().answeredCalls;
        const long left = count_ - next_;
        next_ += static_cast<long>(std::min<ULONG>(skipped, static_cast<ULONG>(left)));
        return static_cast<long>(skipped) <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        ++State().answeredCalls;
        next_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** copy) override {
        ++State().answeredCalls;
        if (!copy) return E_POINTER;
        *copy = new Enumerator(count_, make_, next_);
        return S_OK;
    }

private:
    long references_ = 1;
    long count_;
    std::function<ServerObject*(long)> make_;
    long next_;
};

}  // namespace

HRESULT ReturnEnumerator(VARIANT* result, long count, std::function<ServerObject*(long)> make) {
    V_VT(result) = VT_UNKNOWN;
    V_UNKNOWN(result) = new Enumerator(count, std::move(make));
    return S_OK;
}

// TInterfacedObject: the base of a COM object that lives exactly as long as it is referenced.
#pragma once

#include <unknwn.h>
#include <windows.h>

#include <utility>

#include "ComPtr.h"

// Implements IUnknown for one interface: QueryInterface answers IUnknown and Interface, and the
// last Release deletes the object. A new object has no reference: MakeInterfaced hands out the
// first one, so the object is never left unowned.
template <typename Interface>
class TInterfacedObject : public Interface {
public:
    TInterfacedObject(const TInterfacedObject&) = delete;
    TInterfacedObject& operator=(const TInterfacedObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }
    // Deletes the object when the count reaches 0.
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = InterlockedDecrement(&FRefCount);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }

protected:
    TInterfacedObject() = default;
    // Only the last Release destroys the object.
    virtual ~TInterfacedObject() = default;

private:
    LONG FRefCount = 0;
};

// A new T made from args, and the first reference to it, which the holder owns.
template <typename T, typename... Args>
TComPtr<T> MakeInterfaced(Args&&... args)
{
    TComPtr<T> holder;
    T* object = new T(std::forward<Args>(args)...);
    object->AddRef();
    holder.Attach(object);
    return holder;
}

// The counting IMallocSpy behind StartMallocSpy: it tracks the address of every live block it saw.
#include "MallocSpy.h"

#include <windows.h>
#include <objbase.h>

#include <mutex>
#include <unordered_set>

namespace {

class TCountingSpy final : public IMallocSpy {
public:
    // One static instance that lives as long as the program: reference counting is not needed.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *object = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cbRequest) override { return cbRequest; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        if (actual) {
            std::lock_guard lock(FMutex);
            FLive.insert(actual);
        }
        return actual;
    }

    void* STDMETHODCALLTYPE PreFree(void* request, WINBOOL) override
    {
        if (request) {
            std::lock_guard lock(FMutex);
            FLive.erase(request);
        }
        return request;
    }
    void STDMETHODCALLTYPE PostFree(WINBOOL) override {}

    // A reallocation may move the block, free it (size 0) or fail and leave it where it was.
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T cbRequest, void** newRequest, WINBOOL) override
    {
        ReallocRequest = request;
        ReallocSize = cbRequest;
        *newRequest = request;
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, WINBOOL) override
    {
        std::lock_guard lock(FMutex);
        if (actual || ReallocSize == 0)
            FLive.erase(ReallocRequest);
        if (actual)
            FLive.insert(actual);
        return actual;
    }

    void* STDMETHODCALLTYPE PreGetSize(void* request, WINBOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cbActual, WINBOOL) override { return cbActual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, WINBOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, WINBOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    std::size_t Live()
    {
        std::lock_guard lock(FMutex);
        return FLive.size();
    }

private:
    std::mutex FMutex;
    std::unordered_set<void*> FLive;
    // Pre- and PostRealloc come in pairs on the reallocating thread.
    static thread_local void* ReallocRequest;
    static thread_local SIZE_T ReallocSize;
};

thread_local void* TCountingSpy::ReallocRequest = nullptr;
thread_local SIZE_T TCountingSpy::ReallocSize = 0;

// Never destroyed: the allocator may call it until the very end of the process.
TCountingSpy& Spy()
{
    static TCountingSpy* spy = new TCountingSpy;
    return *spy;
}
bool Registered = false;

}  // namespace

bool StartMallocSpy()
{
    if (!Registered)
        Registered = SUCCEEDED(CoRegisterMallocSpy(&Spy()));
    return Registered;
}

std::size_t LiveTaskBlocks() { return Spy().Live(); }

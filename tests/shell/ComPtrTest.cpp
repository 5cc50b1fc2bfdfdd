// TComPtr's reference counting: what it takes, gives back and hands over.
#include "../../framework/ComPtr.h"

#include "ShellTestHelpers.h"

TEST_SUITE("TComPtr") {

TEST_CASE("TComPtr releases the reference it holds once, and none it gave away")
{
    TCountedContextMenu menu;
    {
        TComPtr<IContextMenu> a;
        a.Attach((menu.AddRef(), &menu));
        TComPtr<IContextMenu> b(std::move(a));
        a = std::move(b);
        *a.put() = (menu.AddRef(), &menu);  // put() lets go of the old reference first
        CHECK(menu.References == 1);
        {
            const TComPtr<IContextMenu2> other = a.Query<IContextMenu2>(IID_IContextMenu2);
            CHECK(menu.References == 2);
            CHECK_FALSE(a.Query<IShellFolder>(IID_IShellFolder));
        }
        IContextMenu* given = a.Detach();
        CHECK(menu.References == 1);
        a.Attach(given);
    }
    CHECK(menu.References == 0);
}

}  // TEST_SUITE

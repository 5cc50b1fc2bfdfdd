// Item-id list memory and arithmetic on hand-built lists, and the TPidl holder.
#include "ShellTestHelpers.h"

#include "../support/MallocSpy.h"

namespace {

const void* At(LPCITEMIDLIST list, std::size_t offset) { return reinterpret_cast<const BYTE*>(list) + offset; }

}  // namespace

TEST_SUITE("item-id list arithmetic") {

TEST_CASE("size and item count run up to the terminator; items of 0x8000 bytes and more count")
{
    CHECK(GetIDListSize(nullptr) == 0);
    CHECK(GetIDListItemCount(nullptr) == 0);
    CHECK(GetIDListSize(MakeIDList(IDListBytes({})).get()) == 2);
    CHECK(GetIDListItemCount(MakeIDList(IDListBytes({})).get()) == 0);
    CHECK(GetIDListSize(MakeIDList(IDListBytes({20, 14})).get()) == 36);
    CHECK(GetIDListItemCount(MakeIDList(IDListBytes({20, 14})).get()) == 2);
    CHECK(GetIDListSize(MakeIDList(IDListBytes({0x8002, 4})).get()) == 0x8002 + 4 + 2);
}

TEST_CASE("GetNextItemID and GetLastItemID point into the same block")
{
    const TPidl list = MakeIDList(IDListBytes({0x8002, 14, 6}));
    CHECK(GetNextItemID(list.get()) == At(list.get(), 0x8002));
    CHECK(GetLastItemID(list.get()) == At(list.get(), 0x8002 + 14));
    const TPidl empty = MakeIDList(IDListBytes({}));
    CHECK(GetLastItemID(empty.get()) == empty.get());
}

TEST_CASE("AllocIDList hands out zero-filled blocks")
{
    // A block just freed after being dirtied is the likeliest one to come back.
    for (const UINT size : {2u, 37u, 256u}) {
        LPITEMIDLIST dirty = AllocIDList(size);
        REQUIRE(dirty);
        std::memset(dirty, 0xA5, size);
        FreeIDList(dirty);
        const TPidl block(AllocIDList(size));
        REQUIRE(block);
        CHECK(BytesAt(block.get(), size) == std::vector<BYTE>(size, 0));
    }
}

TEST_CASE("CopyIDList and ConcatIDLists make new lists and leave their inputs alone")
{
    const std::vector<BYTE> a = IDListBytes({20, 14});
    const std::vector<BYTE> b = IDListBytes({6});
    const TPidl first = MakeIDList(a);
    const TPidl second = MakeIDList(b);
    const TPidl empty = MakeIDList(IDListBytes({}));

    const TPidl joined(ConcatIDLists(first.get(), second.get()));
    CHECK(GetIDListSize(joined.get()) == a.size() + b.size() - 2);
    CHECK(BytesAt(joined.get(), 34) == std::vector<BYTE>(a.begin(), a.end() - 2));
    CHECK(BytesAt(At(joined.get(), 34), b.size()) == b);
    CHECK(BytesAt(first.get(), a.size()) == a);
    CHECK(BytesAt(second.get(), b.size()) == b);

    // Each of these is an exact copy of a in a block of its own.
    const TPidl copies[] = {TPidl(CopyIDList(first.get())), TPidl(ConcatIDLists(nullptr, first.get())),
                            TPidl(ConcatIDLists(first.get(), empty.get())), TPidl(ConcatIDLists(first.get(), nullptr))};
    for (const TPidl& copy : copies) {
        CHECK(copy.get() != first.get());
        CHECK(BytesAt(copy.get(), a.size()) == a);
    }
    CHECK(CopyIDList(nullptr) == nullptr);
    CHECK(BytesAt(TPidl(ConcatIDLists(nullptr, nullptr)).get(), 2) == IDListBytes({}));
}

TEST_CASE("StripLastItemID truncates in place, down to the desktop and no further")
{
    const std::vector<BYTE> bytes = IDListBytes({20, 14, 6});
    const TPidl list = MakeIDList(bytes);
    StripLastItemID(list.get());
    CHECK(BytesAt(list.get(), 34) == std::vector<BYTE>(bytes.begin(), bytes.begin() + 34));
    CHECK(GetIDListSize(list.get()) == 36);
    StripLastItemID(list.get());
    StripLastItemID(list.get());
    CHECK(IsDesktopIDList(list.get()));
    StripLastItemID(list.get());
    CHECK(BytesAt(list.get(), 2) == IDListBytes({}));
    StripLastItemID(nullptr);
}

}  // TEST_SUITE

TEST_SUITE("TPidl") {

TEST_CASE("TPidl frees the list it holds exactly once, and none it gave away")
{
    REQUIRE(StartMallocSpy());
    const std::size_t start = LiveTaskBlocks();
    LPITEMIDLIST given = nullptr;
    {
        TPidl a(AllocIDList(8));
        TPidl b(std::move(a));
        a = std::move(b);
        *a.put() = AllocIDList(8);  // put() frees the list held before handing out its slot
        a.reset(AllocIDList(8));
        CHECK(LiveTaskBlocks() == start + 1);
        given = a.release();
    }
    CHECK(LiveTaskBlocks() == start + 1);
    FreeIDList(given);
    CHECK(LiveTaskBlocks() == start);
}

}  // TEST_SUITE

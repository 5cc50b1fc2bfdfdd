// The producer refuses names that the format or Windows cannot hold.
#include "../../tools/PayloadWriter.h"
#include "../../framework/Exceptions.h"
#include "../support/ScratchFolder.h"

#include <doctest.h>

TEST_SUITE("WritePayload") {

TEST_CASE("names the producer refuses")
{
    const auto refused = [](std::vector<TPayloadSourceFile> files) {
        try {
            WritePayload(files);
        } catch (const Exception& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    CHECK(refused({{std::string(257, 'x'), {}}}).starts_with("name longer than 256 bytes"));
    CHECK(refused({{"sub\\a.txt", {}}}).starts_with("name with a folder part"));
    CHECK(refused({{"sub/a.txt", {}}}).starts_with("name with a folder part"));
    CHECK(refused({{"a.txt", {}}, {"A.TXT", {}}}).starts_with("name given twice"));
    CHECK(refused({{"aux.h", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"a.txt", {}}, {"COM\xB9.txt", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"lpt\xB3", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"c:x", {}}}).starts_with("name that Windows cannot hold safely"));
    CHECK(refused({{"a.txt", Bytes("x")}, {"b.txt", {}}}) == "(accepted)");
}

}  // TEST_SUITE

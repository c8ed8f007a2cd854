// Session aliases: the enumerator sees them as aliases, the store beneath
// never gets them, they hide a user alias of the same number while they last,
// and the demo's number is the lowest free one from its first up.
#include "serial/SessionPortStore.h"
#include "serial/ComPortEnumerator.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

TEST(SessionPortStoreTest, SessionAliasIsSeenButNeverStored)
{
    test::TempDir dir;
    const CPortTree empty{dir.File("sys"), dir.File("dev")};
    CMemorySettingsStore user;
    user.Write(kPortAliasGroup, "COM200", "/dev/users-own");
    user.Write(kPortAliasGroup, "COM201", "/dev/pts/9");
    user.Write(kPortNumberGroup, "usb-adapter-gone", "202");
    CSessionPortStore session(user);

    EXPECT_EQ(CComPortEnumerator(session, empty).FreeNumber(200), 203u);
    session.SetSessionAlias(200, "/dev/pts/4");
    session.SetSessionAlias(204, "/dev/pts/5");

    CComPortEnumerator ports(session, empty);
    EXPECT_EQ(ports.DevicePath(200), "/dev/pts/4");
    EXPECT_EQ(ports.DevicePath(201), "/dev/pts/9");
    EXPECT_EQ(ports.DevicePath(204), "/dev/pts/5");
    EXPECT_EQ(ports.List().size(), 3u);
    EXPECT_EQ(ports.FreeNumber(200), 203u);
    EXPECT_EQ(ports.FreeNumber(204), 205u);

    // A user alias written now goes to the user's store.
    session.Write(kPortAliasGroup, "COM7", "/dev/ttyX");
    EXPECT_EQ(user.Read(kPortAliasGroup, "COM7"), "/dev/ttyX");
    EXPECT_EQ(user.Read(kPortAliasGroup, "COM200"), "/dev/users-own");
    EXPECT_FALSE(user.Read(kPortAliasGroup, "COM204").has_value());

    session.RemoveSessionAlias(200);
    EXPECT_EQ(ports.DevicePath(200), "/dev/users-own");
}

} // namespace
} // namespace kestrelon

// The bus launch is skipped only where it cannot find or start a bus.
#include "app/SessionBus.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace {

TEST(SessionBusTest, SkipsOnlyALaunchThatCannotSucceed)
{
    const kestrelon::test::TempDir dir;
    const std::string withBus = dir.File("run");
    ::mkdir(withBus.c_str(), 0700);
    std::ofstream(withBus + "/bus").put('\0');
    const std::string launcher = dir.File("dbus-launch");
    std::ofstream(launcher) << "#!/bin/sh\n";
    ::chmod(launcher.c_str(), 0755);
    const std::string missing = dir.File("missing");
    struct Row {
        const char* name;
        const char* address;
        const char* runtimeDir;
        const char* launcher;
        bool futile;
    } const rows[] = {
        {"nothing anywhere", nullptr, nullptr, missing.c_str(), true},
        {"empty address, runtime directory without a bus", "", dir.Path().c_str(), missing.c_str(), true},
        {"address given", "unix:path=/nowhere", nullptr, missing.c_str(), false},
        {"bus in the runtime directory", nullptr, withBus.c_str(), missing.c_str(), false},
        {"launcher installed", nullptr, nullptr, launcher.c_str(), false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(kestrelon::IsBusLaunchFutile(row.address, row.runtimeDir, row.launcher), row.futile) << row.name;
}

} // namespace

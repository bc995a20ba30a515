// The platform's folders, names that do not fit a code page, and Windows' case-blind names.
#include "app/startup.hpp"
#include "core/paths.hpp"
#include "support/station_fixture.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace orbek {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable (UTF-8 value; empty unsets it) for the test's lifetime.
class EnvironmentValue {
  public:
    EnvironmentValue(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~EnvironmentValue() { set(old_); }

  private:
    void set(const std::string& value) {
#ifdef _WIN32
        const std::wstring name(name_, name_ + std::char_traits<char>::length(name_));
        _wputenv_s(name.c_str(), pathFromText(value).c_str());
#else
        if (value.empty())
            unsetenv(name_);
        else
            setenv(name_, value.c_str(), 1);
#endif
    }
    const char* name_;
    std::string old_;
};

// "Prüfstand Ω": no single code page holds both letters.
const std::string kForeignName = "Pr\xC3\xBC"
                                 "fstand \xCE\xA9";

TEST(PlatformPaths, DefaultFoldersComeFromTheEnvironmentAndRelativeValuesDoNotCount) {
#ifdef _WIN32
    const fs::path home = pathFromText("C:\\Users\\" + kForeignName);
    EnvironmentValue local("LOCALAPPDATA", "D:\\Local\\" + kForeignName);
    EnvironmentValue roaming("APPDATA", "relative");
    const Paths paths = platformPaths(home, "E:\\Station\\bin");
    EXPECT_EQ(paths.home, fs::path("E:\\"));
    EXPECT_EQ(paths.fallback, pathFromText("D:\\Local\\" + kForeignName) / "orbek-station");
    EXPECT_EQ(paths.userFolder, home / "AppData" / "Roaming" / "orbek-station");
#else
    const fs::path home = "/home/" + kForeignName;
    EnvironmentValue data("XDG_DATA_HOME", "/srv/" + kForeignName);
    EnvironmentValue config("XDG_CONFIG_HOME", "relative");
    const Paths paths = platformPaths(home, home / "Station" / "bin");
    EXPECT_EQ(paths.home, home);
    EXPECT_EQ(paths.fallback, fs::path("/srv/" + kForeignName) / "orbek-station");
    EXPECT_EQ(paths.userFolder, home / ".config" / "orbek-station");
#endif
    EXPECT_TRUE(paths.appFolder.empty());
}

struct ForeignFolder : test::StationFixture {};

TEST_F(ForeignFolder, TheStationWorksInAFolderNamedInAnyScriptAndWindowsIgnoresCase) {
    const fs::path app = folder.path() / pathFromText(kForeignName) / "Station";
    fs::create_directories(app);
    s().paths.appFolder = app;
    app::Form_Load(s());
    scheduler.advanceBy(30);
    EXPECT_EQ(st().BasePath, pathText(app));
    EXPECT_NE(st().BasePath.find(kForeignName), std::string::npos);
    for (const char* made : {"status.ini", "Counter.ini", "Data", "Img"})
        EXPECT_TRUE(fs::exists(app / made)) << made;
    EXPECT_EQ(s().appFile("NS.ini"), app / "NS.ini");

    // A home written in another case than the current directory holds it on Windows only.
    const fs::path found =
        app::topLevelFolder(folder.path() / "Site", folder.path() / "SITE" / "Station" / "bin");
#ifdef _WIN32
    EXPECT_EQ(found, folder.path() / "Site" / "Station");
#else
    EXPECT_TRUE(found.empty());
#endif
}

} // namespace
} // namespace orbek

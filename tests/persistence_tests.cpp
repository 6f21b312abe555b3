// The registry rules of the settings, against an in-memory registry that answers
// the way RegQueryValueExA does: data (with its NUL, if it has one) longer than the
// offered size fails and leaves the buffer alone; a success reports the bytes read.
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core_fixture.h"
#include "settings/persistence.h"

namespace {

struct FakeKey {
    std::string path;
    std::map<std::string, std::string> values;  // raw data bytes
};

struct Write {
    std::string key, name, data;
    bool operator==(const Write&) const = default;
};

struct FakeRegistry {
    std::map<std::string, std::unique_ptr<FakeKey>> keys;
    std::vector<std::string> opened;                        // every open attempt, in order
    std::vector<std::pair<std::string, uint32_t>> offered;  // every read: name, offered size
    std::vector<Write> writes;
    int createCalls = 0;
    int openHandles = 0;
    bool createFails = false;

    FakeKey& Key(const std::string& path)
    {
        auto& key = keys[path];
        if (!key) key = std::make_unique<FakeKey>(FakeKey{path, {}});
        return *key;
    }
    // A value as SaveSettings would store it: the text and its NUL.
    void Text(const std::string& path, const std::string& name, const std::string& text)
    {
        Key(path).values[name] = std::string(text.c_str(), text.size() + 1);
    }
};

FakeRegistry* fake = nullptr;

bool FakeOpen(const char* path, void** key)
{
    fake->opened.emplace_back(path);
    auto found = fake->keys.find(path);
    if (found == fake->keys.end()) return false;
    *key = found->second.get();
    ++fake->openHandles;
    return true;
}

bool FakeCreate(const char* path, void** key)
{
    ++fake->createCalls;
    if (fake->createFails) return false;
    *key = &fake->Key(path);
    ++fake->openHandles;
    return true;
}

bool FakeQuery(void* key, const char* name, char* buffer, uint32_t* size)
{
    fake->offered.emplace_back(name, *size);
    const auto& values = static_cast<FakeKey*>(key)->values;
    auto found = values.find(name);
    if (found == values.end()) return false;  // ERROR_FILE_NOT_FOUND
    const std::string& data = found->second;
    if (data.size() > *size) return false;  // ERROR_MORE_DATA, buffer untouched
    std::memcpy(buffer, data.data(), data.size());
    *size = static_cast<uint32_t>(data.size());
    return true;
}

bool FakeSet(void* key, const char* name, const char* text, uint32_t size)
{
    auto* fakeKey = static_cast<FakeKey*>(key);
    fake->writes.push_back({fakeKey->path, name, std::string(text, size)});
    fakeKey->values[name] = std::string(text, size);
    return true;
}

void FakeClose(void*) { --fake->openHandles; }

const RegistryAccess fakeAccess = {FakeOpen, FakeCreate, FakeQuery, FakeSet, FakeClose};

const std::string kMain = kSettingsKey;
const std::string kFallback = kFallbackKey;

class PersistenceTest : public CoreTest {
protected:
    FakeRegistry registry;
    void SetUp() override
    {
        CoreTest::SetUp();
        fake = &registry;
        SetRegistryAccess(&fakeAccess);
    }
    void TearDown() override
    {
        EXPECT_EQ(registry.openHandles, 0) << "every key opened is closed";
        SetRegistryAccess(nullptr);
        fake = nullptr;
        CoreTest::TearDown();
    }
    void StoreAsSaved(const std::string& path)
    {
        for (const char* name : {"Zoom", "Quality", "LifeTimeOneFig", "Brightness", "CountNotReplay"})
            registry.Text(path, name, "77");
        registry.Text(path, "IntensityDeformation", "5");
        registry.Text(path, "Res", "3");
        registry.Text(path, "on3D", "0");
        registry.Text(path, "onColor", "1");
    }
    std::vector<uint32_t> OfferedSizes() const
    {
        std::vector<uint32_t> sizes;
        for (const auto& read : registry.offered) sizes.push_back(read.second);
        return sizes;
    }
};

}  // namespace

TEST_F(PersistenceTest, NoKeyAtAllKeepsEveryDefault)
{
    LoadSettings();
    EXPECT_EQ(0, std::memcmp(&saverSettings, &kDefaultSettings, sizeof saverSettings));
    EXPECT_EQ(registry.opened, (std::vector<std::string>{kMain, kFallback}));
    EXPECT_TRUE(registry.offered.empty());
}

TEST_F(PersistenceTest, ValuesSavedByTheDialogAreReadInOrderWithTheirOfferedSizes)
{
    StoreAsSaved(kMain);
    LoadSettings();
    EXPECT_EQ(saverSettings.LifeTimeOneFig.value, 77);
    EXPECT_EQ(saverSettings.Zoom.value, 77);
    EXPECT_EQ(saverSettings.Quality.value, 77);
    EXPECT_EQ(saverSettings.Brightness.value, 77);
    EXPECT_EQ(saverSettings.CountNotReplay.value, 77);
    EXPECT_EQ(saverSettings.IntensityDeformation.value, 5);
    EXPECT_EQ(saverSettings.Res, 3);
    EXPECT_EQ(saverSettings.on3D, 0);
    EXPECT_EQ(saverSettings.onColor, 1);

    std::vector<std::string> names;
    for (const auto& read : registry.offered) names.push_back(read.first);
    EXPECT_EQ(names, (std::vector<std::string>{"LifeTimeOneFig", "Zoom", "Quality", "Brightness", "CountNotReplay",
                                               "IntensityDeformation", "Res", "on3D", "onColor"}));
    // The first six are offered the full buffer; then each read is offered what
    // the one before it reported.
    EXPECT_EQ(OfferedSizes(), (std::vector<uint32_t>{5, 5, 5, 5, 5, 5, 2, 2, 2}));
}

TEST_F(PersistenceTest, StoredNumbersAreTakenWithoutClamping)
{
    registry.Text(kMain, "Zoom", "500");
    registry.Text(kMain, "Brightness", "-20");
    registry.Text(kMain, "CountNotReplay", "9999");
    LoadSettings();
    EXPECT_EQ(saverSettings.Zoom.value, 500);
    EXPECT_EQ(saverSettings.Brightness.value, -20);
    EXPECT_EQ(saverSettings.CountNotReplay.value, 9999);
}

TEST_F(PersistenceTest, FiveCharacterQualityDoesNotFitAndTheOthersAreStillRead)
{
    registry.Text(kMain, "Quality", "12345");  // six bytes with the NUL
    registry.Text(kMain, "Brightness", "120");
    LoadSettings();
    EXPECT_EQ(saverSettings.Quality.value, 40);
    EXPECT_EQ(saverSettings.Brightness.value, 120);
}

TEST_F(PersistenceTest, ResIsOfferedTheSizeOfTheIntensityText)
{
    registry.Text(kMain, "IntensityDeformation", "5");
    registry.Text(kMain, "Res", "12");
    LoadSettings();
    EXPECT_EQ(saverSettings.IntensityDeformation.value, 5);
    EXPECT_EQ(saverSettings.Res, 0) << "three bytes do not fit in the two offered";

    registry = {};
    saverSettings = kDefaultSettings;
    registry.Text(kMain, "IntensityDeformation", "10");
    registry.Text(kMain, "Res", "-1");
    LoadSettings();
    EXPECT_EQ(saverSettings.Res, -1);

    registry = {};
    saverSettings = kDefaultSettings;
    registry.Text(kMain, "IntensityDeformation", "7");
    registry.Text(kMain, "Res", "-1");
    LoadSettings();
    EXPECT_EQ(saverSettings.Res, 0);
}

TEST_F(PersistenceTest, AFailedReadKeepsTheOfferedSize)
{
    registry.Text(kMain, "IntensityDeformation", "10");  // 3 bytes: Res is offered 3
    registry.Text(kMain, "Res", "123");                   // 4 bytes: fails
    registry.Text(kMain, "on3D", "0");                    // offered 3 still, read: 2
    registry.Text(kMain, "onColor", "1");
    LoadSettings();
    EXPECT_EQ(saverSettings.Res, 0);
    EXPECT_EQ(saverSettings.on3D, 0);
    EXPECT_EQ(saverSettings.onColor, 1);
    const std::vector<uint32_t> sizes = OfferedSizes();
    EXPECT_EQ(std::vector<uint32_t>(sizes.begin() + 6, sizes.end()), (std::vector<uint32_t>{3, 3, 2}));
}

TEST_F(PersistenceTest, MissingIntensityLeavesTheLaterReadsAtTheFullBuffer)
{
    registry.Text(kMain, "Res", "8");
    LoadSettings();
    EXPECT_EQ(saverSettings.Res, 8);
    EXPECT_EQ(OfferedSizes(), (std::vector<uint32_t>{5, 5, 5, 5, 5, 5, 5, 2, 2}));
}

TEST_F(PersistenceTest, FlagsAreOnForAnyNonZeroNumber)
{
    const std::pair<const char*, uint8_t> cases[] = {{"2", 1}, {"0", 0}, {"x", 0}, {"-1", 1}, {" 1", 1}};
    for (const auto& [text, expected] : cases) {
        registry = {};
        saverSettings = kDefaultSettings;
        registry.Text(kMain, "IntensityDeformation", "10");  // so on3D is offered enough
        registry.Text(kMain, "on3D", text);
        LoadSettings();
        EXPECT_EQ(saverSettings.on3D, expected) << '"' << text << '"';
    }
}

// Data stored without a terminating NUL (a REG_SZ written without one, a DWORD,
// binary data) fills the buffer without ending the text; the conversion must stop
// at the buffer's end. Under the address sanitizer a read past it would fail.
TEST_F(PersistenceTest, DataWithoutANulIsNeverReadPastTheBuffer)
{
    registry.Key(kMain).values["LifeTimeOneFig"] = "12345";            // exactly 5 bytes, no NUL
    registry.Key(kMain).values["Zoom"] = "77";                         // after a reset to blanks
    registry.Key(kMain).values["Quality"] = std::string("\x64\0\0\0", 4);  // the DWORD 100
    registry.Key(kMain).values["Brightness"] = "1234";
    LoadSettings();
    EXPECT_EQ(saverSettings.LifeTimeOneFig.value, 12345);
    EXPECT_EQ(saverSettings.Zoom.value, 77);
    EXPECT_EQ(saverSettings.Quality.value, 0);
    EXPECT_EQ(saverSettings.Brightness.value, 1234);
}

TEST(DecimalValueTest, ReadsAsAtoiWithinTheGivenBytes)
{
    auto value = [](const char* text) { return DecimalValue(text, static_cast<int>(std::strlen(text) + 1)); };
    EXPECT_EQ(value("300"), 300);
    EXPECT_EQ(value("-1"), -1);
    EXPECT_EQ(value("  +42x"), 42);
    EXPECT_EQ(value("\t\n7"), 7);
    EXPECT_EQ(value("abc"), 0);
    EXPECT_EQ(value("-"), 0);
    EXPECT_EQ(value(""), 0);
    EXPECT_EQ(value("99999999999"), static_cast<int32_t>(99999999999LL & 0xFFFFFFFF));

    // Digits up to the very end of an unterminated heap block: the sanitizer
    // catches a read of the byte after it.
    auto block = std::make_unique<char[]>(5);
    std::memcpy(block.get(), "99999", 5);
    EXPECT_EQ(DecimalValue(block.get(), 5), 99999);
    std::memcpy(block.get(), "     ", 5);
    EXPECT_EQ(DecimalValue(block.get(), 5), 0);
}

TEST_F(PersistenceTest, FallbackIsReadOnlyWhenTheSettingsKeyCannotBeOpened)
{
    StoreAsSaved(kFallback);
    LoadSettings();
    EXPECT_EQ(saverSettings.Zoom.value, 77);
    EXPECT_EQ(saverSettings.Res, 3);

    // Both keys: only the settings key counts, even where it lacks a value.
    saverSettings = kDefaultSettings;
    registry.opened.clear();
    registry.Text(kMain, "Quality", "55");
    LoadSettings();
    EXPECT_EQ(saverSettings.Quality.value, 55);
    EXPECT_EQ(saverSettings.Zoom.value, 80);
    EXPECT_EQ(saverSettings.Res, 0);
    EXPECT_EQ(registry.opened, (std::vector<std::string>{kMain}));
}

TEST_F(PersistenceTest, SaveWritesTheNineTextsInOrderWithTheirNul)
{
    SaveSettings(-1, 1, 0);
    EXPECT_EQ(registry.createCalls, 1) << "the settings key did not exist yet";
    const std::vector<Write> expected = {
        {kMain, "Zoom", std::string("80\0", 3)},
        {kMain, "Quality", std::string("40\0", 3)},
        {kMain, "LifeTimeOneFig", std::string("300\0", 4)},
        {kMain, "Brightness", std::string("250\0", 4)},
        {kMain, "CountNotReplay", std::string("5\0", 2)},
        {kMain, "IntensityDeformation", std::string("5\0", 2)},
        {kMain, "Res", std::string("-1\0", 3)},
        {kMain, "on3D", std::string("1\0", 2)},
        {kMain, "onColor", std::string("0\0", 2)},
    };
    EXPECT_EQ(registry.writes, expected);
    // The record keeps what was loaded; only the registry changes.
    EXPECT_EQ(saverSettings.Res, 0);
    EXPECT_EQ(saverSettings.onColor, 0);
}

TEST_F(PersistenceTest, SaveUsesTheExistingKeyAndNeverTouchesTheFallback)
{
    StoreAsSaved(kFallback);
    registry.Key(kMain);
    saverSettings.Zoom.value = -32768;
    SaveSettings(4, 0, 1);
    EXPECT_EQ(registry.createCalls, 0);
    ASSERT_EQ(registry.writes.size(), 9u);
    for (const Write& write : registry.writes) EXPECT_EQ(write.key, kMain);
    EXPECT_EQ(registry.writes[0].data, std::string("-32768\0", 7));
    EXPECT_EQ(registry.keys[kFallback]->values["Zoom"], std::string("77\0", 3));

    // What was saved comes back at the next start.
    saverSettings = kDefaultSettings;
    registry.Text(kMain, "Zoom", "60");
    LoadSettings();
    EXPECT_EQ(saverSettings.Zoom.value, 60);
    EXPECT_EQ(saverSettings.Res, 4);
    EXPECT_EQ(saverSettings.on3D, 0);
    EXPECT_EQ(saverSettings.onColor, 1);
}

TEST_F(PersistenceTest, SaveWithAKeyThatCannotBeMadeWritesNothing)
{
    registry.createFails = true;
    SaveSettings(0, 1, 0);
    EXPECT_TRUE(registry.writes.empty());
    EXPECT_TRUE(registry.keys.empty());
}

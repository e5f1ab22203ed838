#include "SettingsTestFiles.h"

#include "platform/text/Utf8.h"
#include "settings/Settings.h"
#include "support/NonRegularFiles.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>
#include <random>

namespace pellora {
namespace {

using test::SettingsTestFile;

using test::valueIn;
using test::writeOne;

constexpr std::string_view kSection = "initialize";

class IniFileTest : public ::testing::Test {
protected:
    std::string get(const char* key, std::string_view fallback = "DEFAULT") const
    {
        return valueIn(ini, kSection, key, fallback);
    }
    Status put(const char* key, std::string_view value) { return writeOne(ini, kSection, key, value); }

    SettingsTestFile file;
    IniFile ini{file.path()};
};

Settings windowsSample()
{
    return {"C:\\Vondrel\\Brisquel", "C:\\Vask_SS", "sshot", 50, false, true};
}

std::string repeated(std::string_view text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

// What six saves of the defaults (Windows paths) write.
const std::string kSevenLineSample = "[initialize]\r\n"
                                     "indir=C:\\Vondrel\\Brisquel\r\n"
                                     "outdir=C:\\Vask_SS\r\n"
                                     "match=sshot\r\n"
                                     "quality=50\r\n"
                                     "delcheck=0\r\n"
                                     "logcheck=1\r\n";

// --- No file, first save, partial file ------------------------------------

TEST_F(IniFileTest, WithoutAFileEveryKeyReadsItsDefault)
{
    const Settings stored = Settings::load(file.path());
    EXPECT_EQ(stored.prefix, "sshot");
    EXPECT_EQ(stored.quality, 50);
    EXPECT_FALSE(stored.deleteSources);
    EXPECT_TRUE(stored.log);
#ifdef _WIN32
    EXPECT_EQ(stored.inDir, "C:\\Vondrel\\Brisquel");
    EXPECT_EQ(stored.outDir, "C:\\Vask_SS");
#else
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(stored.inDir, home + "/.wine/drive_c/Vondrel/Brisquel");
    EXPECT_EQ(stored.outDir, home + "/Vask_SS");
    EXPECT_TRUE(std::filesystem::path(stored.inDir).is_absolute());
#endif
    EXPECT_EQ(stored, Settings::defaults());
    EXPECT_FALSE(std::filesystem::exists(file.path())) << "reading must not create the file";
}

TEST_F(IniFileTest, SixSavesOnAMissingFileWriteTheSevenLineSample)
{
    ASSERT_TRUE(windowsSample().save(file.path()));
    EXPECT_EQ(file.read(), kSevenLineSample);
    EXPECT_EQ(Settings::load(file.path()), windowsSample());
}

TEST_F(IniFileTest, AFileWithOnlyTheQualityGivesItAndFiveDefaults)
{
    file.write("[initialize]\r\nquality=80\r\n");
    Settings expected = Settings::load(std::filesystem::path(file.path()) += ".missing");
    expected.quality = 80;
    EXPECT_EQ(Settings::load(file.path()), expected);
}

TEST_F(IniFileTest, AnEmptyValueIsStoredAndReadsBackEmptyNotAsTheDefault)
{
    ASSERT_TRUE(put("match", ""));
    EXPECT_EQ(file.read(), "[initialize]\r\nmatch=\r\n");
    EXPECT_EQ(get("match", "sshot"), "");
}

// --- Lengths and blanks ---------------------------------------------------

std::string cyclingText(int length)
{
    std::string text;
    for (int i = 0; i < length; ++i)
        text += static_cast<char>('a' + i % 26);
    return text;
}

TEST_F(IniFileTest, ASavedValueKeepsItsFirst255CharactersWithoutOuterSpaces)
{
    const std::string long300 = cyclingText(300);
    ASSERT_TRUE(put("match", long300));
    EXPECT_EQ(file.read(), "[initialize]\r\nmatch=" + long300.substr(0, 255) + "\r\n");

    ASSERT_TRUE(put("match", " C:\\shots "));
    EXPECT_EQ(file.read(), "[initialize]\r\nmatch=C:\\shots\r\n");

    // Spaces beyond the 255th character are cut off first, then the rest is trimmed.
    ASSERT_TRUE(put("match", std::string(250, ' ') + "abcdefgh"));
    EXPECT_EQ(file.read(), "[initialize]\r\nmatch=abcde\r\n");
}

TEST_F(IniFileTest, AReadReturnsAtMost254BytesAndNeverHalfACharacter)
{
    const std::string ascii(300, 'x');
    file.write("[initialize]\r\nmatch=" + ascii + "\r\n");
    EXPECT_EQ(get("match"), std::string(254, 'x'));

    std::string hiragana; // "あ" is 0x82 0xA0 in code page 932
    for (int i = 0; i < 200; ++i)
        hiragana += "\x82\xA0";
    file.write("[initialize]\r\nmatch=" + hiragana + "\r\n");
    EXPECT_EQ(get("match"), repeated("あ", 127));

    // One single-byte character first: the 127th "あ" would need bytes 254 and 255.
    file.write("[initialize]\r\nmatch=a" + hiragana + "\r\n");
    EXPECT_EQ(get("match"), "a" + repeated("あ", 126));
}

TEST_F(IniFileTest, JapaneseTextGoesThroughCodePage932)
{
    ASSERT_TRUE(put("indir", "D:\\スクショ"));
    EXPECT_EQ(file.read(), "[initialize]\r\nindir=D:\\\x83X\x83N\x83V\x83\x87\r\n");
    EXPECT_EQ(get("indir"), "D:\\スクショ");
}

// --- Values code page 932 cannot hold -------------------------------------

const std::string kMine = std::string("\xEF\xBB\xBF") + "; saved as UTF-8: a value here does not fit code page 932\r\n";

TEST_F(IniFileTest, AValueCodePage932CannotHoldTurnsTheFileToUtf8AndReadsBackExactly)
{
    struct Case {
        const char* name;
        std::string before; // the file's bytes, in code page 932
        std::string value;  // for "outdir"
        std::string after;
    };
    const std::string musica = "/home/u/M\u00FAsica";
    const Case cases[] = {
        {"no file yet", "", musica, kMine + "[initialize]\r\noutdir=/home/u/M\xC3\xBAsica\r\n"},
        {"Korean", "[initialize]\r\n", "D:\\\uD55C", kMine + "[initialize]\r\noutdir=D:\\\xED\x95\x9C\r\n"},
        {"beyond the basic plane", "", "D:\\\U0001F4F7", kMine + "[initialize]\r\noutdir=D:\\\xF0\x9F\x93\xB7\r\n"},
        // Last, so that its other section can be read afterwards.
        {"foreign lines keep their meaning",
         "; \x8E\xCA\x90\x5E\r\n[other]\r\nfoo=\x83X\x83N\x83V\x83\x87\r\n[initialize]\r\noutdir=D:\\old\r\nquality=80\r\n",
         musica,
         kMine + "; \xE5\x86\x99\xE7\x9C\x9F\r\n[other]\r\nfoo=\xE3\x82\xB9\xE3\x82\xAF\xE3\x82\xB7\xE3\x83\xA7\r\n"
                 "[initialize]\r\noutdir=/home/u/M\xC3\xBAsica\r\nquality=80\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before.empty())
            std::filesystem::remove(file.path());
        else
            file.write(c.before);
        ASSERT_TRUE(put("outdir", c.value));
        EXPECT_EQ(file.read(), c.after);
        EXPECT_EQ(get("outdir"), c.value);
    }
    EXPECT_EQ(valueIn(ini, "other", "foo", ""), "スクショ");
}

TEST_F(IniFileTest, AValueThatCannotBeStoredExactlyIsNotStoredAtAll)
{
    // Bytes that are no code page 932 text cannot be carried over to UTF-8 faithfully.
    const std::string garbled = "[initialize]\r\noutdir=D:\\old\r\nfoo=\x85\x40\r\n";
    file.write(garbled);
    EXPECT_FALSE(put("outdir", "/home/u/M\u00FAsica"));
    EXPECT_EQ(file.read(), garbled);
    EXPECT_EQ(get("outdir"), "D:\\old");

    // Half of a surrogate pair has no UTF-8 form either: written as if it had, it is no UTF-8.
    file.write(kMine + "[initialize]\r\noutdir=D:\\old\r\n");
    EXPECT_FALSE(put("outdir", "\xED\xA0\xBD"));
    EXPECT_EQ(get("outdir"), "D:\\old");
}

TEST_F(IniFileTest, AFileTurnedToUtf8ByUsGoesBackToCodePage932OnceEverythingFits)
{
    Settings settings = windowsSample();
    settings.outDir = "/home/u/M\u00FAsica";
    ASSERT_TRUE(settings.save(file.path()));
    EXPECT_TRUE(file.read().starts_with(kMine));
    EXPECT_EQ(Settings::load(file.path()), settings);

    ASSERT_TRUE(windowsSample().save(file.path()));
    EXPECT_EQ(file.read(), kSevenLineSample);
    // A UTF-8 file somebody wrote on purpose (no note of ours) stays UTF-8: see
    // AUtf8ByteOrderMarkIsAcceptedAndTheFileStaysUtf8.
}

TEST_F(IniFileTest, ALongValueIsCutAsTextNeverThroughASubstitute)
{
    // 130 characters of two bytes each in code page 932, one of them outside it.
    const std::string value = "\u00FA" + repeated("あ", 129);
    file.write(kMine + "[initialize]\r\nmatch=" + value + "\r\n");
    const std::string read = get("match");
    EXPECT_TRUE(value.starts_with(read)) << read;
    EXPECT_EQ(utf8::toUtf16(read).size(), 127u) << "characters";
}

// --- Editing a file that exists -------------------------------------------

TEST_F(IniFileTest, RewritingKeepsForeignLinesAndPlacesMissingKeysAtTheEndOfTheSection)
{
    file.write("; written by hand\r\n"
               "[other]\r\n"
               "foo=bar\r\n"
               "\r\n"
               "[initialize]\r\n"
               "quality=80\r\n"
               "; my prefix:\r\n"
               "match = shot\r\n"
               "\r\n"
               "\r\n"
               "[later]\r\n"
               "indir=not this one\r\n");
    const Settings settings{"D:\\in", "D:\\out", "pic", 90, true, false};
    ASSERT_TRUE(settings.save(file.path()));
    EXPECT_EQ(file.read(), "; written by hand\r\n"
                           "[other]\r\n"
                           "foo=bar\r\n"
                           "\r\n"
                           "[initialize]\r\n"
                           "quality=90\r\n"
                           "; my prefix:\r\n"
                           "match = pic\r\n"
                           "indir=D:\\in\r\n"
                           "outdir=D:\\out\r\n"
                           "delcheck=1\r\n"
                           "logcheck=0\r\n"
                           "\r\n"
                           "\r\n"
                           "[later]\r\n"
                           "indir=not this one\r\n");
    EXPECT_EQ(Settings::load(file.path()), settings);
}

TEST_F(IniFileTest, AMissingSectionIsAddedAtTheEndOfTheFile)
{
    file.write("[other]\r\nfoo=bar\r\n");
    ASSERT_TRUE(put("quality", "70"));
    EXPECT_EQ(file.read(), "[other]\r\nfoo=bar\r\n[initialize]\r\nquality=70\r\n");
}

TEST_F(IniFileTest, SectionsAndKeysMatchWhateverTheCaseAndBlanksAroundTheEqualsSign)
{
    file.write("[INITIALIZE]\r\n  Quality \t=  70  \r\n");
    EXPECT_EQ(get("quality"), "70");
    ASSERT_TRUE(put("quality", "60"));
    EXPECT_EQ(file.read(), "[INITIALIZE]\r\n  Quality \t=  60\r\n");
}

TEST_F(IniFileTest, LfOnlyLinesAreReadAndOnlyTheRewrittenLineGetsCrLf)
{
    file.write("[initialize]\nquality=80\nmatch=x\n");
    EXPECT_EQ(get("quality"), "80");
    EXPECT_EQ(get("match"), "x");
    ASSERT_TRUE(put("quality", "90"));
    ASSERT_TRUE(put("delcheck", "1"));
    EXPECT_EQ(file.read(), "[initialize]\nquality=90\r\nmatch=x\ndelcheck=1\r\n");
}

TEST_F(IniFileTest, AUtf8ByteOrderMarkIsAcceptedAndTheFileStaysUtf8)
{
    file.write("\xEF\xBB\xBF[initialize]\r\nmatch=\xE7\x94\xBB\xE9\x9D\xA2\r\n"); // 画面
    EXPECT_EQ(get("match"), "画面");
    ASSERT_TRUE(put("indir", "D:\\写真"));
    EXPECT_EQ(file.read(), "\xEF\xBB\xBF[initialize]\r\nmatch=\xE7\x94\xBB\xE9\x9D\xA2\r\n"
                           "indir=D:\\\xE5\x86\x99\xE7\x9C\x9F\r\n");
}

// Notepad's "Unicode": the bytes of `text` in UTF-16, little-endian unless
// told otherwise, behind the byte-order mark.
std::string utf16File(std::u16string_view text, bool bigEndian = false)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST_F(IniFileTest, AUtf16FileIsReadAndSavedBackAsUtf16InItsOwnByteOrder)
{
    struct Case {
        const char* name;
        std::string before;
        std::string match; // as read before the save
        std::string value; // for "outdir"
        std::string after;
    };
    const std::string none = "DEFAULT";
    const std::string gamen = "画面";
    const std::u16string_view japanese = u"; \u5199\u771F\r\n[initialize]\r\nmatch=\u753B\u9762\r\nquality=80\r\n";
    const Case cases[] = {
        {"little-endian", utf16File(japanese), gamen, "D:\\写真",
         utf16File(u"; \u5199\u771F\r\n[initialize]\r\nmatch=\u753B\u9762\r\nquality=80\r\noutdir=D:\\\u5199\u771F\r\n")},
        {"big-endian", utf16File(japanese, true), gamen, "D:\\写真",
         utf16File(u"; \u5199\u771F\r\n[initialize]\r\nmatch=\u753B\u9762\r\nquality=80\r\noutdir=D:\\\u5199\u771F\r\n", true)},
        {"a value code page 932 lacks", utf16File(u"[initialize]\r\noutdir=D:\\old\r\n"), none, "/home/u/M\u00FAsica",
         utf16File(u"[initialize]\r\noutdir=/home/u/M\u00FAsica\r\n")},
        {"beyond the basic plane", utf16File(u"[initialize]\r\n"), none, "D:\\\U0001F4F7",
         utf16File(u"[initialize]\r\noutdir=D:\\\U0001F4F7\r\n")},
        {"nothing but the mark", utf16File(u""), none, "D:\\out", utf16File(u"[initialize]\r\noutdir=D:\\out\r\n")},
        {"LF-only lines", utf16File(u"[initialize]\nmatch=x\n"), "x", "D:\\out",
         utf16File(u"[initialize]\nmatch=x\noutdir=D:\\out\r\n")},
        // Our note on the first line of somebody's UTF-16 file must not turn it to code page 932.
        {"our UTF-8 note in it", utf16File(u"; saved as UTF-8: a value here does not fit code page 932\r\n[initialize]\r\n"),
         none, "D:\\out",
         utf16File(u"; saved as UTF-8: a value here does not fit code page 932\r\n[initialize]\r\noutdir=D:\\out\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file.write(c.before);
        EXPECT_EQ(get("match"), c.match);
        ASSERT_TRUE(put("outdir", c.value));
        EXPECT_EQ(file.read(), c.after);
        EXPECT_EQ(get("outdir"), c.value);
        ASSERT_TRUE(put("outdir", c.value));
        EXPECT_EQ(file.read(), c.after) << "saving the same value again changed the file";
    }
}

TEST_F(IniFileTest, TheSixSettingsOfAUtf16FileAreReadAndSavedByTheWindow)
{
    Settings settings{"D:\\スクショ", "D:\\写真", "pic", 80, true, false};
    file.write(utf16File(u"[initialize]\r\nindir=D:\\\u30B9\u30AF\u30B7\u30E7\r\noutdir=D:\\\u5199\u771F\r\n"
                         u"match=pic\r\nquality=80\r\ndelcheck=1\r\nlogcheck=0\r\n"));
    EXPECT_EQ(Settings::load(file.path()), settings);
    settings.quality = 90;
    ASSERT_TRUE(settings.save(file.path()));
    EXPECT_EQ(file.read(), utf16File(u"[initialize]\r\nindir=D:\\\u30B9\u30AF\u30B7\u30E7\r\noutdir=D:\\\u5199\u771F\r\n"
                                     u"match=pic\r\nquality=90\r\ndelcheck=1\r\nlogcheck=0\r\n"));
}

// Such a file could not be saved without changing what the rest of it says.
TEST_F(IniFileTest, AUnicodeFileThatCannotComeBackAsItWasIsNeverRewritten)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"an odd byte count", utf16File(u"[initialize]\r\nmatch=x\r\n") + "\x0A"},
        {"half of a surrogate pair", utf16File(u"; \xD83D\r\n[initialize]\r\nmatch=x\r\n")},
        {"half of a surrogate pair, big-endian", utf16File(u"[initialize]\r\nmatch=x\r\n; \xDC00\r\n", true)},
    };
    // Nor is UTF-32, which neither this tool nor the Windows one reads.
    std::string utf32Le("\xFF\xFE\0\0", 4), utf32Be("\0\0\xFE\xFF", 4);
    for (const char c : std::string_view("[initialize]\r\nmatch=x\r\n")) {
        utf32Le += std::string{c, '\0', '\0', '\0'};
        utf32Be += std::string{'\0', '\0', '\0', c};
    }
    for (const std::string& bytes : {utf32Le, utf32Be}) {
        SCOPED_TRACE(bytes == utf32Le ? "UTF-32 little-endian" : "UTF-32 big-endian");
        file.write(bytes);
        EXPECT_FALSE(put("outdir", "D:\\out"));
        EXPECT_EQ(file.read(), bytes);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file.write(c.bytes);
        EXPECT_EQ(get("match"), "x");
        EXPECT_FALSE(put("outdir", "D:\\out"));
        EXPECT_TRUE(put("match", "x")) << "the value is on disk already";
        EXPECT_EQ(file.read(), c.bytes);
    }
}

TEST_F(IniFileTest, ALastLineWithoutLineEndIsReadAndCompletedWhenSomethingFollows)
{
    file.write("[initialize]\r\nquality=80");
    EXPECT_EQ(get("quality"), "80");
    ASSERT_TRUE(put("delcheck", "1"));
    EXPECT_EQ(file.read(), "[initialize]\r\nquality=80\r\ndelcheck=1\r\n");

    file.write("[other]\r\nfoo=bar");
    ASSERT_TRUE(put("quality", "70"));
    EXPECT_EQ(file.read(), "[other]\r\nfoo=bar\r\n[initialize]\r\nquality=70\r\n");
}

TEST_F(IniFileTest, ALineBreakInAValueCannotAddLinesToTheFile)
{
    ASSERT_TRUE(put("match", "pic\r\n[initialize]\r\nquality=1"));
    EXPECT_EQ(file.read(), "[initialize]\r\nmatch=pic\r\n");
}

TEST_F(IniFileTest, AValueEndsAtANulByte)
{
    file.write(std::string("[initialize]\r\nmatch=ab\0cd\r\n", 25));
    EXPECT_EQ(get("match"), "ab");
}

// --- Hostile and large files ---------------------------------------------

std::string randomBytes(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(random));
    return bytes;
}

TEST_F(IniFileTest, AMegabyteOfGarbageReadsDefaultsAndSurvivesASave)
{
    const std::string garbage = randomBytes(1 << 20, 5);
    file.write(garbage);
    for (const char* key : {"indir", "outdir", "match", "quality", "delcheck", "logcheck"})
        EXPECT_EQ(get(key), "DEFAULT") << key;
    ASSERT_TRUE(put("quality", "70"));
    const std::string after = file.read();
    EXPECT_TRUE(after.starts_with(garbage)) << "the garbage is somebody's; it must stay";
    EXPECT_EQ(get("quality"), "70");
}

TEST_F(IniFileTest, ATenMegabyteFileIsStillReadAndWritten)
{
    std::string big;
    while (big.size() < (10u << 20))
        big += "; padding padding padding padding padding padding padding padding\r\n";
    file.write(big + "[initialize]\r\nquality=77\r\n");
    EXPECT_EQ(get("quality"), "77");
    ASSERT_TRUE(put("quality", "78"));
    EXPECT_EQ(file.read(), big + "[initialize]\r\nquality=78\r\n");
}

TEST_F(IniFileTest, AFileBeyondTheSizeLimitReadsDefaultsAndIsNotRewritten)
{
    file.write("[initialize]\r\nquality=80\r\n");
    std::filesystem::resize_file(file.path(), (64u << 20) + 1); // sparse: costs no disk
    EXPECT_EQ(get("quality"), "DEFAULT");
    EXPECT_EQ(ini.read().error().cause, FailureCause::TooLarge);
    EXPECT_FALSE(put("quality", "70"));
    EXPECT_EQ(std::filesystem::file_size(file.path()), (64u << 20) + 1);
}

TEST(IniFileSpecialTest, AnythingButARegularFileReadsDefaultsWithoutWaitingAndIsLeftAlone)
{
    struct Case {
        const char* name;
        std::function<bool(const std::filesystem::path&)> make;
    };
    const Case cases[] = {
        {"a folder", [](const std::filesystem::path& at) { return std::filesystem::create_directory(at); }},
        {"a FIFO", test::makeFifo},
        {"a link to a FIFO",
         [](const std::filesystem::path& at) {
             return test::makeLink(at.parent_path() / "fifo", at) && test::makeFifo(at.parent_path() / "fifo");
         }},
        {"a socket", test::makeSocket},
        {"a device", test::makeCharDevice},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsTestFile file;
        if (!c.make(file.path()))
            continue; // not allowed on this machine (device nodes; FIFOs and links on Windows)
        const std::string kind = test::kindOf(file.path());
        const IniFile ini(file.path());
        ASSERT_TRUE(test::endsWithin(std::chrono::seconds(5), [&] {
            (void)ini.read();
            (void)writeOne(ini, kSection, "quality", "70");
        })) << "a read or a save waited";
        EXPECT_EQ(valueIn(ini, kSection, "quality", "DEFAULT"), "DEFAULT");
        EXPECT_FALSE(writeOne(ini, kSection, "quality", "70"));
        EXPECT_EQ(test::kindOf(file.path()), kind);
        for (const auto& name : test::listNames(file.folder()))
            EXPECT_TRUE(name == "Pellora.ini" || name == "fifo") << name;
    }
}

TEST_F(IniFileTest, WithoutAFileNameNothingIsReadOrWritten)
{
    const IniFile unnamed{std::filesystem::path()};
    EXPECT_EQ(valueIn(unnamed, kSection, "quality", "50"), "50");
    EXPECT_FALSE(writeOne(unnamed, kSection, "quality", "70"));
}

} // namespace
} // namespace pellora

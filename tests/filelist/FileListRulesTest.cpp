#include <QMimeDatabase>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "filelist/ByteCompare.h"
#include "filelist/ColumnFit.h"
#include "filelist/ControllerText.h"
#include "filelist/FileTypeName.h"
#include "filelist/FolderEntry.h"
#include "filelist/LocalPath.h"
#include "filelist/SizeText.h"
#include "filelist/TypeAheadSearch.h"

namespace kora {
namespace {

FolderEntry File(std::string name, std::uint64_t size = 0)
{
    FolderEntry entry;
    entry.name = std::move(name);
    entry.size = size;
    return entry;
}

FolderEntry Folder(std::string name)
{
    FolderEntry entry = File(std::move(name));
    entry.isFolder = true;
    return entry;
}

TEST(LocalPath, BytesSurviveUrlsAndArgumentsAndAreDecodedOnlyForTheScreen)
{
    const struct {
        std::string bytes;
        QString shown;
        QByteArray url; // as a file manager writes it
    } cases[] = {
        {"/tmp/plain.txt", "/tmp/plain.txt", "file:///tmp/plain.txt"},
        {"/tmp/caf\xE9.txt", "/tmp/caf\uFFFD.txt", "file:///tmp/caf%E9.txt"},
        {"/tmp/caf\xC3\xA9 100%.txt", "/tmp/caf\u00E9 100%.txt",
         "file:///tmp/caf%C3%A9%20100%25.txt"},
        {"/x/\xED\xB2\x80\xF0\x9F\x98\x80\xFF", "/x/\uFFFD\uFFFD\uFFFD\U0001F600\uFFFD",
         "file:///x/%ED%B2%80%F0%9F%98%80%FF"},
    };
    for (const auto& c : cases) {
        const LocalPath path{c.bytes};
        EXPECT_EQ(LocalPathText(path), c.shown) << c.bytes;
        EXPECT_EQ(LocalPathUrl(path).toEncoded(), c.url) << c.bytes;
        EXPECT_EQ(LocalPathFromUrl(QUrl::fromEncoded(c.url)), path) << c.bytes;
        EXPECT_EQ(ArgumentPath(ArgumentText(c.bytes)), path) << c.bytes;
    }
    EXPECT_EQ(LocalFileName(LocalPath{"/tmp/caf\xE9.txt"}), LocalPath{"caf\xE9.txt"});
    EXPECT_EQ(LocalPathFromUrl(QUrl("https://example.org/a.txt")), std::nullopt);
    EXPECT_EQ(LocalPathFromUrl(QUrl("file://")), std::nullopt);
}

// A typed text becomes the controller's single bytes, or is refused with the character or byte
// named; nothing ever becomes a "?" that the wildcard and name checks would then see.
TEST(ControllerBytes, LatinOneCharactersBecomeTheirBytesAndNothingElseIsGuessed)
{
    const struct {
        QString typed;
        const char* bytes;   // nullptr: refused
        const char* refusal; // a part of the refusal
    } cases[] = {
        {QStringLiteral("CAFE.TXT"), "CAFE.TXT", nullptr},
        {QString(), "", nullptr},
        {QStringLiteral("CAF\u00C9.TXT"), "CAF\xC9.TXT", nullptr},
        {QStringLiteral("\u00FF\u0001"), "\xFF\x01", nullptr}, // the name checks refuse these
        {QStringLiteral("CAF\u20AC.TXT"), nullptr,
         "'\u20AC' (U+20AC) is not one of the single-byte"},
        {QStringLiteral("\\LOG\\\u65E5.TXT"), nullptr, "'\u65E5' (U+65E5)"},
        {QStringLiteral("A\u0100"), nullptr, "(U+0100)"},
        {QStringLiteral("\U0001F600.TXT"), nullptr, "(U+1F600)"},
        {QStringLiteral("\uFFFD"), nullptr, "(U+FFFD)"},
        // A command-line byte that is not UTF-8, as ArgumentText keeps it.
        {ArgumentText("CAF\xC9.TXT"), nullptr, "holds the byte 0xC9, which is not UTF-8"},
    };
    for (const auto& c : cases) {
        const auto result = ControllerBytes(c.typed);
        if (c.bytes != nullptr) {
            ASSERT_TRUE(std::holds_alternative<std::string>(result)) << c.typed.toStdString();
            EXPECT_EQ(std::get<std::string>(result), c.bytes);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<TextRefusal>(result)) << c.typed.toStdString();
        const QString& message = std::get<TextRefusal>(result).message;
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.refusal))) << message.toStdString();
        EXPECT_TRUE(message.startsWith(QLatin1Char('\'') + LocalPathText(ArgumentPath(c.typed)) +
                                       QStringLiteral("' cannot be typed on KORA-7740P: ")))
            << message.toStdString();
    }
}

TEST(FileTypeName, DosExtensionsGetNamesWhereTheMimeDatabaseHasNone)
{
    const QMimeDatabase mime;
    const QMimeType unknown = mime.mimeTypeForName(QStringLiteral("application/octet-stream"));
    const QMimeType text = mime.mimeTypeForName(QStringLiteral("text/plain"));
    ASSERT_TRUE(unknown.isDefault());
    const struct {
        QMimeType type;
        std::string name;
        std::string expected;
    } cases[] = {
        {unknown, "AUTOEXEC.BAT", "DOS batch file"},
        {unknown, "start.bat", "DOS batch file"},
        {unknown, "FIRMWARE.BIN", "binary data"},
        {unknown, "KORAIO.CFG", "configuration file"},
        {unknown, "SETUP.INI", "configuration file"},
        {unknown, "LOG.DAT", "data file"},
        {unknown, "HIMEM.SYS", "DOS system file"},
        // The MIME database's name where it has one; its "unknown" for what nobody names.
        {text, "SETUP.INI", text.comment().toStdString()},
        {unknown, "NOTES.XYZ", unknown.comment().toStdString()},
        {unknown, "BAT", unknown.comment().toStdString()},
        {unknown, "X.BATCH", unknown.comment().toStdString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileTypeName(c.type, c.name), c.expected) << c.name;
    }
}

// The four columns share the view's width: their first widths where there is room for them,
// else Name and Type give way together in proportion to their room, then Modified, then Size,
// each down to its least width.
TEST(FitColumnWidths, AllFourStayInViewAndNameAndTypeShareTheLoss)
{
    const ColumnWidths least{120, 40, 40, 70};
    const ColumnWidths first{140, 60, 90, 0};
    const struct {
        ColumnWidths needed;
        int view;
        ColumnWidths fitted;
    } cases[] = {
        {{200, 40, 80, 100}, 500, {200, 60, 90, 100}},  // room to spare: the last column takes it
        {{200, 40, 80, 100}, 450, {200, 60, 90, 100}},  // exactly
        {{200, 40, 80, 100}, 440, {200, 40, 80, 100}},  // no room for the first widths
        {{400, 40, 40, 120}, 400, {200, 40, 40, 120}},  // a long name, Type at its least
        {{320, 40, 140, 100}, 450, {220, 40, 90, 100}}, // 200 and 100 above least: 2 to 1
        {{320, 40, 140, 100}, 300, {120, 40, 40, 100}}, // both down to their least
        {{400, 60, 150, 120}, 280, {120, 50, 40, 70}},  // then Modified, then Size
        {{400, 80, 150, 120}, 0, least},                // no room: the least widths
        {{100, 30, 30, 60}, 100, {100, 30, 30, 60}},    // below the least widths already
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitColumnWidths(c.needed, least, first, c.view), c.fitted) << c.view;
    }
}

TEST(SizeText, CellsRoundUpToWholeKilobytesAndFoldersStayEmpty)
{
    EXPECT_EQ(SizeCellText(File("E", 0)), "0KB");
    EXPECT_EQ(SizeCellText(File("A", 1)), "1KB");
    EXPECT_EQ(SizeCellText(File("B", 1024)), "1KB");
    EXPECT_EQ(SizeCellText(File("C", 1025)), "2KB");
    EXPECT_EQ(SizeCellText(File("D", 5000000000ull)), "4882813KB");
    EXPECT_EQ(SizeCellText(Folder("DIR")), "");
}

TEST(SizeText, TotalsSwitchUnitsAtKilobyteAndMegabyte)
{
    EXPECT_EQ(TotalSizeText(0), "0 byte(s)");
    EXPECT_EQ(TotalSizeText(1023), "1023 byte(s)");
    EXPECT_EQ(TotalSizeText(1024), "1.0 KB");
    EXPECT_EQ(TotalSizeText(1536), "1.5 KB");
    EXPECT_EQ(TotalSizeText(1048575), "1024.0 KB");
    EXPECT_EQ(TotalSizeText(1048576), "1.0 MB");
    EXPECT_EQ(TotalSizeText(5368709120ull), "5120.0 MB"); // beyond 32 bits: no wrap
    EXPECT_EQ(ObjectCountText(0), "0 object(s)");
    EXPECT_EQ(ObjectCountText(12), "12 object(s)");
}

TEST(FolderEntries, TotalIsSixtyFourBit)
{
    FolderEntries entries;
    entries.push_back(File("A", 3000000000ull));
    entries.push_back(File("B", 3000000000ull));
    entries.push_back(Folder("C"));
    EXPECT_EQ(TotalBytes(entries), 6000000000ull);
}

TEST(CompareBytes, FirstDifferingUnsignedByteThenLength)
{
    EXPECT_LT(CompareBytes("AB", "ABC"), 0);
    EXPECT_GT(CompareBytes("\xE4", "z"), 0); // unsigned bytes
    EXPECT_EQ(CompareBytes("", ""), 0);
}

TEST(FindEntryByPrefix, MatchesUpperCasedPrefixFromStartWithOptionalWrap)
{
    FolderEntries entries;
    for (const char* name : {"ABC.EXE", "X.TXT", "abd.bat", "Y.TXT", "ZZ"}) {
        entries.push_back(File(name));
    }
    EXPECT_EQ(FindEntryByPrefix(entries, "ab", 0, false), 0u);
    EXPECT_EQ(FindEntryByPrefix(entries, "ab", 1, false), 2u);
    EXPECT_EQ(FindEntryByPrefix(entries, "AB", 3, false), std::nullopt);
    EXPECT_EQ(FindEntryByPrefix(entries, "ab", 3, true), 0u);
    EXPECT_EQ(FindEntryByPrefix(entries, "zz", 0, false), 4u);
    EXPECT_EQ(FindEntryByPrefix(entries, "zz", 4, false), 4u);
    EXPECT_EQ(FindEntryByPrefix(entries, "q", 2, true), std::nullopt);
    EXPECT_EQ(FindEntryByPrefix(entries, "x", 99, true), 1u);
    EXPECT_EQ(FindEntryByPrefix(FolderEntries{}, "x", 0, true), std::nullopt);
}

// Within the key interval the typed characters make one search that goes on from the current
// row; after it a new search starts one row past the current one (so the same letter steps on).
TEST(TypeAheadSearch, ContinuesWithinTheIntervalAndAdvancesAfterIt)
{
    FolderEntries entries;
    for (const char* name : {"ABC.EXE", "ABD.BAT", "B.TXT", "X.TXT"}) {
        entries.push_back(File(name));
    }
    constexpr int kAlwaysContinues = 3600 * 1000;
    constexpr int kNeverContinues = -1;
    struct Key {
        const char* typed;
        std::optional<std::size_t> current;
        std::optional<std::size_t> found;
        const char* text;
    };
    const struct {
        int intervalMs;
        std::vector<Key> keys;
    } cases[] = {
        {kNeverContinues, {{"a", std::nullopt, 0, "a"}, {"a", 0, 1, "a"}, {"a", 1, 0, "a"}}},
        {kNeverContinues, {{"b", 3, 2, "b"}, {"q", 2, std::nullopt, "q"}}},
        {kAlwaysContinues, {{"a", 0, 1, "a"}, {"b", 1, 1, "ab"}, {"c", 1, 0, "abc"}}},
        {kAlwaysContinues, {{"x", 3, 3, "x"}, {"\x1b", 3, std::nullopt, "x"}}},
    };
    for (const auto& c : cases) {
        TypeAheadSearch search(c.intervalMs);
        for (const Key& key : c.keys) {
            EXPECT_EQ(search.type(QString::fromLatin1(key.typed), key.current, entries), key.found)
                << key.typed << " after " << search.text();
            EXPECT_EQ(search.text(), key.text);
        }
    }

    // Device names are the controller's bytes; PC names are UTF-8.
    FolderEntries pc;
    pc.push_back(File("\xC3\xA9t\xC3\xA9.txt"));
    EXPECT_EQ(TypeAheadSearch(0, TypeAheadSearch::NameBytes::Utf8)
                  .type(QString::fromUtf8("\xC3\xA9"), std::nullopt, pc),
              0u);
    EXPECT_EQ(TypeAheadSearch(0).type(QString::fromUtf8("\xC3\xA9"), std::nullopt, pc),
              std::nullopt);
}

} // namespace
} // namespace kora

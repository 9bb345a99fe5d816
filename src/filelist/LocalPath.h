#pragma once

#include <QString>
#include <QUrl>

#include <optional>
#include <string>

namespace kora {

// A path on the PC as the file system has it. Linux names are bytes and need not be UTF-8
// ("caf\xE9.txt" is a good name), so a path is carried as its bytes from readdir, a drop or the
// command line to the system call that uses it, and is decoded only to be shown. Text that went
// through QString on the way (QFile::encodeName, QUrl::toLocalFile) has lost such a name.
struct LocalPath {
    std::string bytes;

    const char* c_str() const { return bytes.c_str(); }
    bool empty() const { return bytes.empty(); }
    bool operator==(const LocalPath&) const = default;
};

// For the screen: UTF-8 where the bytes are, each byte that is not shown as U+FFFD. Never turn
// this back into a path.
QString LocalPathText(const LocalPath& path);

// The last part of a path: the bytes after its last "/".
LocalPath LocalFileName(const LocalPath& path);

// "file://" with the path's bytes percent-encoded, as file managers write their URIs, so that
// another program gets the very bytes.
QUrl LocalPathUrl(const LocalPath& path);

// The path a "file:" URL names, its percent-encoded bytes decoded as bytes (QUrl::toLocalFile
// decodes them as UTF-8 and loses the others). Nothing for any other URL or an empty path.
std::optional<LocalPath> LocalPathFromUrl(const QUrl& url);

// Command-line arguments are bytes too. An argument becomes text for the parser with each byte
// that is not UTF-8 kept as a lone surrogate (U+DC80 + byte), and turns back into its bytes
// whole; LocalPathText shows it.
QString ArgumentText(const std::string& bytes);
LocalPath ArgumentPath(const QString& argument);
// The byte text[at] stands for when ArgumentText kept it as a lone surrogate; nothing for any
// other character.
std::optional<unsigned char> ArgumentByteAt(const QString& text, qsizetype at);

} // namespace kora

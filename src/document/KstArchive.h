// The .kst configuration file: the saved settings as a headerless little-endian
// stream. Files of every schema from 0 up are read; schema 5 is written. A file
// is untrusted input: every length is checked against the bytes left, and a
// document only ever takes over a file that was read to its end.
#pragma once

#include "document/SavedSettings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrelon {

class CKestronDoc;

// Why a file could not be read or written.
struct CKstError {
    std::string message;          // what is wrong, in words
    std::int64_t offset = -1;     // byte offset in the file, -1 for failures of the file system
    std::string Describe() const; // "message at byte offset N" or just the message
};

class CKstArchive {
public:
    static constexpr std::uint32_t SCHEMA = 5;

    // The schema-5 stream of `settings`.
    static std::string Write(const CSavedSettings& settings);
    // Reads a stream. `settings` holds the values that fields absent from older
    // schemas keep; it is replaced only when the whole stream was read. `schema`
    // receives the number stored in the file. Values the program cannot use are
    // brought into range.
    static bool Read(std::string_view bytes, CSavedSettings& settings, std::uint32_t& schema, CKstError& error);

    // A document from and to memory; a failed read leaves the document untouched.
    static bool LoadFromBytes(CKestronDoc& doc, std::string_view bytes, CKstError& error);
    static std::string SaveToBytes(const CKestronDoc& doc);

    // A document from and to a file. Saving writes a temporary file beside the
    // target and renames it over the old one, so the old file survives any failure.
    static bool Load(CKestronDoc& doc, const std::string& path, CKstError& error);
    static bool Save(CKestronDoc& doc, const std::string& path, CKstError& error);
};

} // namespace kestrelon

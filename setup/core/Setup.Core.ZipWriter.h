// A ZIP archive written entry by entry (minizip over zlib): each entry is streamed from its
// source in pieces and deflated, its name is stored with "/" separators and, when it is not
// plain ASCII, in UTF-8 with the format's UTF-8 flag; an entry of 4 GiB or more gets ZIP64
// sizes, and an archive that passes 4 GiB gets the ZIP64 end records.
#pragma once

#include "ORV.Classes.Streams.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Setup::Core {

class TZipWriter {
public:
    // Creates the archive Path for writing, replacing a file of that name. Raises
    // ORV::EFCreateError "Cannot create file \"%s\"" when it cannot be created.
    explicit TZipWriter(const std::u16string& path);
    // Closes an archive that Close has not closed, keeping the entries written so far, and
    // raises nothing.
    ~TZipWriter();
    TZipWriter(const TZipWriter&) = delete;
    TZipWriter& operator=(const TZipWriter&) = delete;

    // Adds the entry Name (a relative path with "\" or "/" separators) holding Source's bytes
    // from its position to its end, deflated at Level (0 stores them; so does any level for
    // data whose start does not shrink, such as media compressed already), with the modification
    // time DosTime (MS-DOS date in the high word, time in the low word). Raises
    // ORV::EWriteError "ZIP Error (%d)" when the archive cannot take it, and what Source
    // raises; the entry is then incomplete and the archive must only be closed.
    void AddFile(std::u16string_view name, ORV::TStream& source, uint32_t dosTime, int level = 6);
    // Writes the central directory and closes the file. Raises ORV::EWriteError
    // "ZIP Error (%d)" when the archive could not be completed: it is then unusable.
    void Close();

    // The entry name as the archive stores it: "/" separators, UTF-8.
    static std::string EntryName(std::u16string_view name);
    // Whether Count bytes from Data, judged by a sample of their start, shrink by deflating
    // them; data too short to judge counts as shrinking.
    static bool Shrinks(const uint8_t* data, size_t count);

private:
    void* FZip = nullptr;
};

} // namespace Setup::Core

// Writing the product's files: the extraction helper that puts one install-script file on disk,
// and the extract action that writes every file of the chosen language and then the uninstall
// record.
//
// How a target is opened:
//
//   1. create or truncate it for writing (others may read and write)      -> write it
//   2. it cannot be opened: the MD5 of the file on disk equals the new one -> leave it alone
//   3. move it aside to <target>.bak (may fail, for example when that exists), then loop:
//        create it for writing                                            -> write it
//        ask the user (the [Common] "QM2" question): Retry -> loop again,
//        Abort -> fail with "E1", Ignore (or anything else) -> skip the file
//
// So a writable target is replaced without a trace, and a ".bak" file exists only beside a
// target that was in use or read-only and had other content.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Extract.h is for the Windows build only"
#endif

#include "ORV.Classes.Streams.h"
#include "ORV.Strings.h"
#include "Setup.Core.Actions.h"
#include "Setup.Core.Host.h"
#include "Setup.Core.Script.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Setup::Core {

class TSetupExtractHelper {
public:
    // Puts a question to the user and returns the dialog result: IDABORT, IDRETRY or IDIGNORE.
    using TAskProc = std::function<int(const std::u16string& text)>;

    // Host gives the resources and must outlive the helper. Ask is called on the thread that
    // extracts; it hands the question over to the interface thread itself.
    TSetupExtractHelper(ISetupHost& host, TAskProc ask);

    // Writes one install-script file to its target, the file's Name with the path macros
    // expanded (see the top of this unit). Raises EInstallerInstallError whose message is the
    // target, CR LF and the cause, for every failure after the expansion (which raises as
    // TSetupResources::ExpandPath does).
    void ExtractFile(const TSetupScriptFile& file) const;
    // Creates the folder Path and every missing folder above it. Only full paths ("X:\..." or
    // "\\server\share\..."): a relative path would land wherever the current folder is. Raises
    // EInstallerInstallError with the [Common] "E3" text for Path when a folder cannot be made.
    void ForceDirectory(const std::u16string& path) const;
    // Opens FileName for writing Source's content (steps 1 to 3 above): true with Target open,
    // false when nothing is to be written. Raises what reading the file on disk raises, and
    // EInstallerInstallError with the [Common] "E1" text when the user chose Abort.
    bool CreateTargetStream(const std::u16string& fileName, const ORV::TMemoryStream& source,
                            std::unique_ptr<ORV::TBufferedFileStream>& target) const;
    // The [Common] text Id of the chosen language with its "%s" and "%d" placeholders filled.
    std::u16string FormatMessage(std::u16string_view id, std::initializer_list<ORV::FormatArg> args) const;

    void SetAsk(TAskProc ask) { FAsk = std::move(ask); }

private:
    ISetupHost& FHost;
    TAskProc FAsk;
};

// (Index + 1) x 100 / Count rounded to the nearest integer, ties to the even one: the progress
// of the extract action while it writes file Index of Count.
int32_t ExtractProgress(int32_t index, int32_t count);

class TSetupActionExtract : public TSetupAction {
public:
    // Shows "A4", writes every collected file (the progress naming the file being written as
    // done), shows "A7" and writes the uninstall record. The first file that fails ends the
    // action; the record is then not written.
    void Execute() override;
    // The Components of the install script that belong to the chosen language's family (or to
    // every language), in script order.
    static std::vector<const TSetupScriptFile*> CollectFiles();
};

} // namespace Setup::Core

// Where the show's files come from: the archive built into the program, an
// archive file made with glimmer-pack (--archive), or a folder of loose files
// (--dir) in which DIR/data/script.txt stands for "data\script.txt"; every file
// the folder does not have comes from the archive behind it. 3DS scenes are read
// from disk as the program reads them, unless the folder has them.
#pragma once

#include "platform/Resources.h"
#include "studio/LooseFiles.h"

#include <memory>

#include <string>
#include <vector>

class ShowSource {
public:
    ShowSource() = default;
    // Puts the archive that was there before and the plain file lookup back.
    ~ShowSource();
    ShowSource(const ShowSource&) = delete;
    ShowSource& operator=(const ShowSource&) = delete;

    // Reads the archive file and puts it in place of the built-in one. False,
    // with failure(), when it cannot be read.
    bool useArchiveFile(const std::string& path);
    // Lets the files under directory stand in for archive entries.
    void useDirectory(const std::string& directory);

    // Reads the archive file again, for a show repacked while the studio runs;
    // true at once for the other sources.
    bool reload();
    // The show script "data\script.txt". False, with failure(), when neither
    // the folder nor the archive has it.
    bool readScript(std::string& text);

    const std::string& failure() const { return failure_; }
    // The folder's files (null without --dir).
    LooseFiles* looseFiles() { return looseFiles_.get(); }

private:
    std::string archivePath_;
    std::vector<unsigned char> archive_;
    // The archive that was registered before this source put its own in place.
    ResourceBytes builtIn_;
    std::unique_ptr<LooseFiles> looseFiles_;
    std::string failure_;
};

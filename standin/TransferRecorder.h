#pragma once
// Every transfer a stand-in receives, accepted or not, kept byte for byte as
// a numbered file "<resources>/transfers/0001.rdk", "0002.rdk", ... (a scene
// file as it stands: the end mark is a comment). Numbers go on from the
// highest file already there, so a restarted stand-in, or two stand-ins of
// one installation, never overwrite one: a number is taken by creating its
// file, which fails when another took it first.

#include <string>
#include <string_view>

namespace standin::raydeck {

struct RecordedTransfer {
    unsigned number = 0; // the transfer's number, also when it could not be kept
    std::string path;    // empty when it could not be kept
    std::string error;   // why not
};

class TransferRecorder {
public:
    // `folder`: the folder of the numbered files, created when needed.
    explicit TransferRecorder(std::string folder);

    RecordedTransfer record(std::string_view bytes);

    const std::string& folder() const { return folder_; }

private:
    unsigned highestRecorded() const;

    std::string folder_;
    unsigned last_ = 0;
};

// "0001.rdk" and the like, as the recorder names its files.
std::string transferFileName(unsigned number);

} // namespace standin::raydeck

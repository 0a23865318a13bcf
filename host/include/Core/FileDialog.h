#pragma once
// The host's file dialog.

#include "Base.h"
#include "Enums.h"

#include <string>

namespace adsk::core {

/// A save/open dialog, made by UserInterface::createFileDialog(). The setters
/// return true when the value was taken.
class ADSK_API FileDialog : public Base {
public:
    /// The file types offered, for example "Scene (*.scn)".
    virtual bool filter(const std::string& value) = 0;
    /// Which entry of the filter is selected at first.
    virtual bool filterIndex(int value) = 0;
    /// The folder shown first; "%CSIDL_MYDOCUMENTS%" stands for the user's
    /// documents folder.
    virtual bool initialDirectory(const std::string& value) = 0;
    /// The file name offered.
    virtual bool initialFilename(const std::string& value) = 0;
    /// Shows the dialog to save a file: DialogOK when the user confirmed a
    /// name, another result otherwise.
    virtual DialogResults showSave() = 0;
    /// The full path chosen (UTF-8); empty until a show confirmed one.
    virtual std::string filename() const = 0;

    static const char* classType() { return "adsk::core::FileDialog"; }
};

} // namespace adsk::core

#pragma once
// Calculation error log "SollBerFehler.Txt" in the temporary directory: data problems that
// do not stop the calculation, one line each, for reading after the batch has run.
#include <string>
#include <string_view>
#include <utility>

namespace sollist::solltat {

class TErrorTxt {
public:
    // folder: where the log lies (the run context's ErrorLogDir); empty: the root folder.
    explicit TErrorTxt(std::string folder) : FFolder(std::move(folder)) {}

    // Program name padded or cut to 12 characters; the log path: the folder, a delimiter
    // unless it ends in one, "SollBerFehler.Txt". The file itself is not touched.
    void Open(const std::string& ProgName);
    // Appends "date time program message"; the file gets its two header lines when it is
    // created or found empty. EInOutError naming the file and the system's error text when it
    // cannot be written.
    void Write(const std::string& FehlerTxt);
    const std::string& GetName() const { return FileName; }

private:
    void AppendLine(const std::string& line);

    std::string FFolder;
    std::string Programm;
    std::string FileName;
};

} // namespace sollist::solltat

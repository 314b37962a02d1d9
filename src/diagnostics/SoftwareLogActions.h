#pragma once

#include <QString>

#include <expected>

namespace ovisu {

// What the software-log page asks of the application: the text it shows (which needs the live
// session's state) and what reaches outside the window. The log itself the page reads and clears
// through the logger it is given.
class SoftwareLogActions {
public:
    virtual ~SoftwareLogActions() = default;

    // The software diagnostic text with the program's current state and the whole log, stored
    // secrets masked.
    virtual QString softwareDiagnosticText() = 0;
    // Builds the complete diagnostic package at the path.
    virtual std::expected<void, QString> exportDiagnosticPackage(const QString& destination) = 0;
    // Opens the folder in the file browser; the error says why it could not.
    virtual std::expected<void, QString> openFolder(const QString& path) = 0;
    // Shows where an exported file lies (its folder in the file browser); failures go unsaid,
    // since the file itself is written.
    virtual void revealInFileBrowser(const QString& path) = 0;
};

}  // namespace ovisu

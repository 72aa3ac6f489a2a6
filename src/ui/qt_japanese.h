// Qt's own texts (standard buttons, file dialogs) in Japanese, as the rest
// of the program speaks.
#pragma once

class QCoreApplication;

namespace quillet {

// Installs Qt's Japanese translation where the system has it (Debian:
// qt6-translations-l10n); false where it has not.
bool InstallQtJapanese(QCoreApplication& app);

}  // namespace quillet

#pragma once

class QCoreApplication;

namespace pelorin {

// Qt's own texts (the buttons of a question, the file dialog) in Swedish, whatever the system's locale:
// everything the operator sees is Swedish. Without the catalogues installed Qt's English remains.
void InstallSwedishQtTranslations(QCoreApplication& app);

} // namespace pelorin

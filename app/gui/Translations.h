#pragma once
// The toolkit's own texts (standard buttons such as "Abbrechen", edit menus) in German: the
// program speaks German only, whatever locale the desktop runs in. Our own texts are not
// translated; they stand in the code as the user sees them.
class QCoreApplication;

namespace zuneigo {

// Installs the toolkit's German translation in the application. Returns false when its
// file is missing; the toolkit's texts then stay English.
bool InstallGermanToolkitTexts(QCoreApplication& app);

} // namespace zuneigo

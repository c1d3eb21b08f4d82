#pragma once

namespace linnery {

// Makes the texts Qt supplies itself (file dialog labels and buttons, the message box's details button)
// Japanese like the rest of the interface, whatever the locale. Texts the program sets are not
// translated. Returns false, leaving Qt's English texts, when Qt's Japanese translation is not installed.
bool installQtTranslation();

} // namespace linnery

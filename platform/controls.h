#pragma once
// Operations on the window's controls, in the program's code page 936 texts. The conversion to and
// from what Qt shows happens here, at the control border, and nowhere else. Each operation may be
// called from any thread and is synchronous (platform/ui_bridge.h).

#include <string>
#include <string_view>

class QComboBox;
class QProgressBar;
class QString;
class QWidget;

namespace platform {

QString toQString(std::string_view gbk);
std::string fromQString(const QString& text);

// The text a control shows: an edit box's content (line breaks as CR LF, as the program splits
// them), a button's or label's caption, a window's title. "" for other widgets.
std::string controlText(const QWidget* control);
void setControlText(QWidget* control, std::string_view text);

// The selected item, -1 when none.
int comboIndex(const QComboBox* combo);
void setComboIndex(QComboBox* combo, int index);

int progressPosition(const QProgressBar* bar);
void setProgressPosition(QProgressBar* bar, int position);
void setProgressMaximum(QProgressBar* bar, int maximum);

// Closes a top-level window (for the main window, that ends the program).
void closeWindow(QWidget* window);

}  // namespace platform

#include "platform/controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QString>
#include <QWidget>

#include "platform/codepage.h"
#include "platform/ui_bridge.h"

namespace platform {

QString toQString(std::string_view gbk) {
    std::u16string wide = toUtf16(gbk, 936);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

std::string fromQString(const QString& text) {
    return fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<size_t>(text.size())),
                     936);
}

std::string controlText(const QWidget* control) {
    return onUiThread([&] {
        if (auto* edit = qobject_cast<const QPlainTextEdit*>(control)) {
            // Qt keeps line breaks as LF; the edit boxes the program reads hand out CR LF.
            QString text = edit->toPlainText();
            text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
            return fromQString(text);
        }
        if (auto* line = qobject_cast<const QLineEdit*>(control)) return fromQString(line->text());
        if (auto* button = qobject_cast<const QAbstractButton*>(control)) return fromQString(button->text());
        if (auto* label = qobject_cast<const QLabel*>(control)) return fromQString(label->text());
        if (auto* group = qobject_cast<const QGroupBox*>(control)) return fromQString(group->title());
        if (control != nullptr && control->isWindow()) return fromQString(control->windowTitle());
        return std::string();
    });
}

void setControlText(QWidget* control, std::string_view text) {
    onUiThread([&] {
        const QString shown = toQString(text);
        if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
            QString plain = shown;
            plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            edit->setPlainText(plain);
        } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
            line->setText(shown);
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            button->setText(shown);
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            label->setText(shown);
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            group->setTitle(shown);
        } else if (control != nullptr && control->isWindow()) {
            control->setWindowTitle(shown);
        }
    });
}

int comboIndex(const QComboBox* combo) {
    return onUiThread([&] { return combo->currentIndex(); });
}

void setComboIndex(QComboBox* combo, int index) {
    onUiThread([&] { combo->setCurrentIndex(index); });
}

int progressPosition(const QProgressBar* bar) {
    return onUiThread([&] { return bar->value(); });
}

void setProgressPosition(QProgressBar* bar, int position) {
    onUiThread([&] { bar->setValue(position); });
}

void setProgressMaximum(QProgressBar* bar, int maximum) {
    onUiThread([&] { bar->setMaximum(maximum); });
}

void closeWindow(QWidget* window) {
    onUiThread([&] { window->close(); });
}

}  // namespace platform

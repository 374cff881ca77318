#pragma once
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace vosk {

// Controls placed at fixed positions, named as the windows refer to them (objectName).
// A width or height of 0 leaves the control at its natural size.
QLabel *placeLabel(QWidget *parent, const char *name, const QString &text, int x, int y, int w = 0, int h = 0);
QPushButton *placeButton(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h);
QLineEdit *placeEdit(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h);
QSpinBox *placeSpin(QWidget *parent, const char *name, int min, int max, int value, int x, int y, int w, int h);
QCheckBox *placeCheck(QWidget *parent, const char *name, const QString &text, bool checked, int x, int y, int w,
                      int h);
QComboBox *placeCombo(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h);

// Qt's own spelling of a UTF-8 literal, for captions written in the sources.
inline QString tr8(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace vosk

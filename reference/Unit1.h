#pragma once
#include "lookup.h"
#include "tables.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vosk {

class TImages;

// The reference window: a diode type looked up in the marking table and in the diode or
// zener parameter table, drawn as wrapped tables, with its drawings in the picture window.
class Tmain : public QWidget {
    Q_OBJECT
public:
    explicit Tmain(TImages *images, QWidget *parent = nullptr);

    // A part chosen elsewhere (the inventory list, an offer of the taking pass): its name goes
    // into the type box and is looked up, without showing this window.
    void lookupFrom(const QString &text);

    // Handlers, named after their controls and events.
    void FindClick();
    void imgfindClick();
    void allcompsChange();
    void combopicChange();

    const LookupResult &lastLookup() const { return last_; }
    const RefTables &tables() const { return tables_; }
    bool listsbuilt() const { return listsbuilt_; }
    // Places the picture window directly below this one, right edges aligned.
    void placeImages();

    QLineEdit *Edit1 = nullptr;
    QLabel *imgfind = nullptr;
    QComboBox *allcomps = nullptr;
    QComboBox *combopic = nullptr;
    QPushButton *find = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void buildLists();

    TImages *images_;
    RefTables tables_;
    Fields fields_;
    LookupResult last_;
    QString lastText_;
    bool looked_ = false;
    bool listsbuilt_ = false;
};

} // namespace vosk

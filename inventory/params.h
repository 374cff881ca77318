#pragma once
#include "compstore.h"
#include "datafiles.h"
#include "dictionary.h"

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QTabWidget;

namespace vosk {

class Messages;
class Tmain;
class TImages;

// The inventory window: the program's main window. It owns the record store and every
// piece of inventory state for the program's lifetime.
class Tbase : public QMainWindow {
    Q_OBJECT
public:
    // `datapath` is read by the window itself (readpath) unless given, as tests do.
    explicit Tbase(Messages &messages, std::optional<std::string> datapath = std::nullopt, QWidget *parent = nullptr);
    ~Tbase() override;

    // The reference and picture windows, created after this one.
    void setReferenceWindows(Tmain *main, TImages *images);

    void setstatus(const std::string &text);
    QString statusText() const;

    const CompStore &store() const { return store_; }
    const std::vector<std::string> &categories() const { return categories_; }
    const Dictionary &dictionary() const { return dictionary_; }
    const std::string &datapath() const { return datapath_; }

    // Writes main.dat; false (message shown, nothing lost) when that is not possible.
    bool savebtnClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate(std::optional<std::string> datapath);
    void FormShow();
    void FormResize();

    Messages &messages_;
    std::string datapath_;
    std::unique_ptr<DataFolder> folder_;
    CompStore store_;
    Dictionary dictionary_;
    std::vector<std::string> categories_;

    Tmain *main_ = nullptr;
    TImages *images_ = nullptr;

    QTabWidget *pagecontrol = nullptr;
    QLabel *statusPanel_ = nullptr;
};

} // namespace vosk

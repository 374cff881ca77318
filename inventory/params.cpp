#include "params.h"

#include "codec.h"
#include "cp1251.h"
#include "messages.h"
#include "settingsstore.h"
#include "Unit1.h"
#include "imagery.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>

namespace vosk {

namespace {
constexpr int kPageWidth = 577;
constexpr int kPageHeight = 153;
} // namespace

Tbase::Tbase(Messages &messages, std::optional<std::string> datapath, QWidget *parent)
    : QMainWindow(parent), messages_(messages)
{
    setObjectName(QStringLiteral("base"));
    setWindowTitle(QStringLiteral("Voskbase v2.0"));
    auto *central = new QWidget(this);
    setCentralWidget(central);

    pagecontrol = new QTabWidget(central);
    pagecontrol->setObjectName(QStringLiteral("pagecontrol"));
    pagecontrol->setGeometry(0, 0, kPageWidth, kPageHeight);
    const char *pages[][2] = {{"search", "Поиск по базе"}, {"changing", "Изменение"}, {"options", "Настройки"},
                              {"bin", "Корзина"},          {"help", "Справка"},      {"about", "О программе"}};
    for (const auto &page : pages) {
        auto *sheet = new QWidget;
        sheet->setObjectName(QString::fromLatin1(page[0]));
        pagecontrol->addTab(sheet, QString::fromUtf8(page[1]));
    }

    statusPanel_ = new QLabel;
    statusPanel_->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(statusPanel_, 1);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->setFixedHeight(19);

    FormCreate(std::move(datapath));
}

Tbase::~Tbase() = default;

void Tbase::setReferenceWindows(Tmain *main, TImages *images)
{
    main_ = main;
    images_ = images;
}

void Tbase::FormCreate(std::optional<std::string> datapath)
{
    datapath_ = datapath ? *datapath : readpath();
    move(5, 1);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int screenHeight = screen ? screen->geometry().height() : 768;
    resize(kPageWidth, screenHeight - 80);

    folder_ = std::make_unique<DataFolder>(datapath_, messages_);
    auto loaded = folder_->loadbase(store_, [this](const std::string &text) { setstatus(text); });
    dictionary_ = std::move(loaded.dictionary);
    categories_ = std::move(loaded.categories);
}

void Tbase::setstatus(const std::string &text) { statusPanel_->setText(fromCp1251(text)); }

QString Tbase::statusText() const { return statusPanel_->text(); }

bool Tbase::savebtnClick() { return folder_->savebase(store_); }

void Tbase::closeEvent(QCloseEvent *event)
{
    // The store lives only in memory until this moment: a window that cannot write it
    // stays open, so that nothing is lost and closing can be tried again.
    if (!savebtnClick()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void Tbase::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tbase::FormShow()
{
    if (main_)
        main_->hide();
    if (images_)
        images_->hide();
}

void Tbase::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void Tbase::FormResize()
{
    if (width() < kPageWidth + 30)
        resize(kPageWidth + 30, height());
}

} // namespace vosk

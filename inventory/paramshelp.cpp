// params (`Tbase`): the help tab (a tree of topics, each a text file of the installation's txt/ folder) and
// the about tab.
#include "params.h"

#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "filebytes.h"
#include "messages.h"
#include "pictures.h"
#include "textlines.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>
#include <algorithm>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

namespace vosk {
namespace {

struct Topic {
    int level;
    const char *text;
    const char *file; // nullptr for a group without a text of its own
};

// The about tab's memos as laid out; taller when their lines need it.
constexpr int kMemoHeight = 113;

// In the order of the whole tree expanded: the number of a node is its index here.
const Topic kTopics[] = {
    {0, "Общие сведения", nullptr},
    {1, "Назначение", "mission.txt"},
    {1, "Фунцкии программы", "functions.txt"},
    {1, "История программы", "history.txt"},
    {0, "Изменение БД", nullptr},
    {1, "Добавление", "adding.txt"},
    {1, "Удаление", "deleting.txt"},
    {1, "Изменение типа элемента", "shift.txt"},
    {0, "Поиск по БД", "search.txt"},
    {0, "Работа с корзиной", "bin.txt"},
    {0, "Настройки", "settings.txt"},
    {0, "Новая категория компонентов", "newtype.txt"},
    {0, "Словарь", "vocabulary.txt"},
    {0, "Как создать свою базу", "mybase.txt"},
    {0, "Сохранение", "saving.txt"},
    {0, "Использование справочника", "reference.txt"},
};

// The two icons of the tree: a group (a book) and a topic (a page); selected, every node shows
// the book.
QIcon nodeIcon(const QPixmap &normal, const QPixmap &book)
{
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(book, QIcon::Selected);
    return icon;
}

// A memo as tall as its lines need in this face, wrapped lines too (at least `least`).
void fitMemoHeight(QPlainTextEdit *m, int least)
{
    const int margin = static_cast<int>(m->document()->documentMargin());
    const int textWidth = m->width() - 2 * m->frameWidth() - 2 * margin;
    qreal lines = 0;
    for (const QString &line : m->toPlainText().split(QLatin1Char('\n'))) {
        QTextLayout layout(line, m->font());
        QTextOption option(Qt::AlignLeft);
        option.setWrapMode(m->wordWrapMode());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(textWidth);
            lines += l.height();
        }
        layout.endLayout();
    }
    m->resize(m->width(), std::max(least, static_cast<int>(std::ceil(lines)) + 2 * margin + 2 * m->frameWidth() + 1));
}

} // namespace

void Tbase::buildHelpPage(QWidget *page)
{
    TreeView = new QTreeWidget(page);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    TreeView->setGeometry(0, 8, 209, 457);
    TreeView->setHeaderHidden(true);
    TreeView->setIndentation(19);
    TreeView->setMouseTracking(true); // items highlighted under the mouse
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QTreeWidgetItem *group = nullptr;
    const QPixmap book = builtInPicture(QStringLiteral(":/images/help-book.png"));
    const QIcon groupIcon = nodeIcon(book, book);
    const QIcon topicIcon = nodeIcon(builtInPicture(QStringLiteral(":/images/help-page.png")), book);
    for (const Topic &topic : kTopics) {
        QTreeWidgetItem *item = topic.level == 0 ? new QTreeWidgetItem(TreeView) : new QTreeWidgetItem(group);
        item->setText(0, tr8(topic.text));
        item->setIcon(0, topic.level == 0 ? groupIcon : topicIcon);
        if (topic.level == 0)
            group = item;
    }
    // As wide as its longest topic, each one read whole (its indentation, and the room the
    // view asks for its icon and text); the text takes the rest.
    const QAbstractItemModel *topics = TreeView->model();
    const auto *view = static_cast<const QAbstractItemView *>(TreeView);
    int widest = 0;
    for (int r = 0; r < topics->rowCount(); ++r) {
        const QModelIndex group = topics->index(r, 0);
        widest = std::max(widest, TreeView->indentation() + view->sizeHintForIndex(group).width()); // the root's branches are drawn too
        for (int c = 0; c < topics->rowCount(group); ++c)
            widest = std::max(widest, 2 * TreeView->indentation() + view->sizeHintForIndex(topics->index(c, 0, group)).width());
    }
    const int treeWidth = std::max(TreeView->width(), widest + 2 * TreeView->frameWidth() + 2);
    TreeView->resize(treeWidth, TreeView->height());
    TreeView->collapseAll();
    connect(TreeView, &QTreeWidget::currentItemChanged, this, &Tbase::TreeViewChange);
    text = new QPlainTextEdit(page);
    text->setObjectName(QStringLiteral("text"));
    text->setGeometry(treeWidth + 7, 7, 569 - treeWidth - 7, 458);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
}

int Tbase::helpNumber(const QTreeWidgetItem *item) const
{
    // Counted as if the whole tree were expanded, so collapsed groups count too.
    int number = 0;
    for (int i = 0; i < TreeView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *top = TreeView->topLevelItem(i);
        if (top == item)
            return number;
        ++number;
        for (int c = 0; c < top->childCount(); ++c, ++number)
            if (top->child(c) == item)
                return number;
    }
    return -1;
}

void Tbase::TreeViewChange()
{
    text->clear();
    const int number = helpNumber(TreeView->currentItem());
    if (number >= 0 && number < static_cast<int>(std::size(kTopics)) && kTopics[number].file)
        showhelp(kTopics[number].file);
}

void Tbase::showhelp(const std::string &file)
{
    const std::string path = inventory_->datapath() + "txt/" + file;
    // Bounded and only a regular file: a FIFO or a huge file in place of a help text is
    // refused or cut, never read for ever.
    ReadResult r = readHelpText(path);
    if (r.status == ReadStatus::Missing) {
        messages_.error("File not found");
        return;
    }
    // Whatever was read is shown, also when reading stopped with an error; a line is shown up
    // to its bound, so that no paragraph takes long to lay out.
    const TextLines lines = splitTextLines(r.bytes, linelimit::kHelpText);
    for (const std::string &line : lines.lines)
        text->appendPlainText(fromCp1251(line));
    text->moveCursor(QTextCursor::Start);
    if (r.status == ReadStatus::Failed)
        messages_.error(readFailureMessage(path, r));
    if (!lines.cut.empty())
        messages_.error(longLinesMessage("txt/" + file, linelimit::kHelpText, lines.cut));
}

void Tbase::buildAboutPage(QWidget *page)
{
    const QColor face = palette().color(QPalette::Button);
    auto memo = [&](const char *name, int x, int y, int w, int h, const char *content) {
        auto *m = new QPlainTextEdit(page);
        m->setObjectName(QString::fromLatin1(name));
        m->setGeometry(x, y, w, h);
        m->setReadOnly(true);
        QPalette p = m->palette();
        p.setColor(QPalette::Base, face);
        m->setPalette(p);
        m->setPlainText(tr8(content));
        // Sized to hold every line (fitMemoHeight): a scroll bar would only narrow the lines.
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->document()->setDocumentMargin(2);
        fitMemoHeight(m, h);
        return m;
    };
    Memo2 = memo("Memo2", 8, 8, 329, kMemoHeight,
                 "создана для учета  электронных компонентов\n"
                 "радоилюбительской лаборатории, удобного подбора с \n"
                 "использованием параметров. Создана 17.03.2002\n"
                 "Автор: команда разработчиков Voskbase\n"
                 "Сайт: не указан\n"
                 "Nickname: нет            Версия 2.0 для Linux\n"
                 "E-Mail: не указан        данные в кодировке 1251");
    Memo1 = memo("Memo1", 344, 8, 217, kMemoHeight,
                 "Цифры справочника имеют три основания:\n"
                 "опубликованный источник, обозначение\n"
                 "типа (напряжение стабилитронов КС) или\n"
                 "справочные данные, записанные по памяти\n"
                 "без сверки. Чего нет — отмечено «н/д».\n"
                 "Перед ответственным применением\n"
                 "сверяйте с паспортом самого прибора.");
}

// The about tab is as tall as its memos need (over the list, as the help tab is); the
// window's title is put before the first memo's text once the window is made.
void Tbase::aboutShow()
{
    fitMemoHeight(Memo2, kMemoHeight);
    fitMemoHeight(Memo1, kMemoHeight);
    const int below = std::max(Memo1->geometry().bottom(), Memo2->geometry().bottom()) + 1 + 4;
    // The tab row and the frame around the page (laid out only once the window is shown).
    const int around = pagecontrol->isVisible() ? pagecontrol->height() - pagecontrol->currentWidget()->height()
                                                : pagecontrol->tabBar()->sizeHint().height() + 6;
    pagecontrol->resize(pagecontrol->width(), std::max(pagecontrol->height(), below + around));
}

void Tbase::helpShow() { pagecontrol->resize(pagecontrol->width(), height() - 80); }

void Tbase::helpHide(int next)
{
    if (next == 3)
        pagecontrol->resize(pagecontrol->width(), height() / 2 - 50); // the bin keeps its own height
    else
        pagecontrol->resize(pagecontrol->width(), 153);
}

} // namespace vosk

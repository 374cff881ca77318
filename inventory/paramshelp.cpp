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
#include <QTabWidget>
#include <QTreeWidget>

namespace vosk {
namespace {

struct Topic {
    int level;
    const char *text;
    const char *file; // nullptr for a group without a text of its own
};

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
    {0, "Новая категории компонентов", "newtype.txt"},
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
    TreeView->collapseAll();
    connect(TreeView, &QTreeWidget::currentItemChanged, this, &Tbase::TreeViewChange);
    text = new QPlainTextEdit(page);
    text->setObjectName(QStringLiteral("text"));
    text->setGeometry(216, 7, 353, 458);
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
        return m;
    };
    Memo2 = memo("Memo2", 8, 8, 329, 113,
                 "создана для учета  электронных компонентов\n"
                 "радоилюбительской лаборатории, удобного подбора с \n"
                 "использованием параметров. Создана 17.03.2002\n"
                 "Автор: команда разработчиков Voskbase\n"
                 "Сайт: не указан\n"
                 "Nickname: нет            Версия 2.0 для Linux\n"
                 "E-Mail: не указан        данные в кодировке 1251");
    Memo1 = memo("Memo1", 344, 8, 217, 113,
                 "Цифры справочника имеют три основания:\n"
                 "опубликованный источник, обозначение\n"
                 "типа (напряжение стабилитронов КС) или\n"
                 "справочные данные, записанные по памяти\n"
                 "без сверки. Чего нет — отмечено «н/д».\n"
                 "Перед ответственным применением\n"
                 "сверяйте с паспортом самого прибора.");
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

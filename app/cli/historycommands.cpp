// voskbase-cli history: what history.dat holds, newest first.
#include "historycommands.h"

#include "cliconv.h"
#include "compstore.h"
#include "cp1251.h"
#include "history.h"

#include <cstdio>

namespace vosk::cli {

namespace {
void errLine(const std::string &cp) { std::fprintf(stderr, "%s\n", utf8From1251(cp).c_str()); }
} // namespace

int historyCommand(const std::string &datapath, const std::string &since, const std::string &find, bool json)
{
    const std::string path = datapath + History::kFileName;
    const HistoryRead read = readHistoryFile(path);
    if (!read.failure.empty()) {
        errLine(read.failure);
        return 2;
    }
    if (const std::string problem = read.problem(pathForMessage(path)); !problem.empty())
        errLine(problem);
    std::string out;
    for (auto it = read.lines.rbegin(); it != read.lines.rend(); ++it) {
        const HistoryLine &l = *it;
        if (!historyLineShown(l, since, find))
            continue;
        const std::string amount = (l.take ? "-" : "+") + std::to_string(l.amount);
        if (json) {
            JsonLine line;
            line.number("id", static_cast<int64_t>(l.id))
                .number("group", static_cast<int64_t>(l.group))
                .text("time", l.time)
                .text("source", historySourceWord(l.source))
                .number("category", l.key.category)
                .text("name", l.key.name)
                .text("description", shownDescription(l.key.description))
                .number("amount", l.take ? -l.amount : l.amount)
                .number("after", l.after)
                .text("note", l.note);
            if (l.undoes)
                line.number("undoes", static_cast<int64_t>(l.undoes));
            out += line.done();
            continue;
        }
        std::string text = std::to_string(l.id) + "\t" + l.time + "\t" + amount + "\t" + l.key.name;
        if (const std::string_view d = shownDescription(l.key.description); !d.empty())
            text += " (" + std::string(d) + ")";
        text += cp1251(" -> ") + std::to_string(l.after) + "\t" + historySourceWord(l.source);
        if (l.group != l.id)
            text += cp1251(", шаг ") + std::to_string(l.group);
        if (l.undoes)
            text += cp1251(", отмена №") + std::to_string(l.undoes);
        if (!l.note.empty())
            text += "\t" + l.note;
        out += utf8From1251(text) + "\n";
    }
    std::fputs(out.c_str(), stdout);
    if (read.missing)
        errLine(cp1251("Истории изменений пока нет: файла ") + pathForMessage(path) + cp1251(" нет."));
    return 0;
}

} // namespace vosk::cli

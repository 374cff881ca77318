#include "windowlinks.h"

#include "Unit1.h"
#include "closing.h"
#include "imagery.h"
#include "params.h"

#include <QPointer>

namespace vosk {
namespace {

// The reference book's refbook.dat as the inventory sees it: a file of the installation folder
// that it saves, copies and gives up together with its own. It lives as long as the reference
// window and leaves the inventory when it goes.
class ReferenceFiles final : public QObject, public FolderCompanion {
public:
    ReferenceFiles(Tbase &base, Tmain &main) : QObject(&main), base_(&base), book_(main.book())
    {
        base.setCompanion(this);
    }
    ~ReferenceFiles() override
    {
        if (base_)
            base_->setCompanion(nullptr);
    }
    int unsavedChanges() const override { return book_.unsavedChanges(); }
    bool save(std::string &failure) override { return book_.trySave(failure); }
    bool saveCopyTo(const std::string &folder, std::string &written, std::string &failure) override
    {
        return book_.saveCopyTo(folder, written, failure);
    }

private:
    QPointer<Tbase> base_;
    ReferenceBook &book_;
};

} // namespace

void linkWindows(Tbase &base, Tmain &main, TImages &images, Messages &messages)
{
    // The user's own figures live beside main.dat and are saved, closed and copied with it; a
    // folder the inventory opened only for viewing keeps them as they are too. A figure still
    // in its edit box is kept first.
    main.setDataFolder(base.inventory().datapath(), messages, base.inventory().readOnly());
    new ReferenceFiles(base, main);
    QObject::connect(&base, &Tbase::saving, &main, &Tmain::keepTypedFigure);
    // A part chosen in the list or offered by the taking pass goes into the type box and is
    // looked up, without showing the reference window.
    QObject::connect(&base, &Tbase::partChosen, &main, &Tmain::lookupFrom);
    QObject::connect(&base, &Tbase::referenceRequested, &main, &QWidget::show);
    QObject::connect(&base, &Tbase::referenceDismissed, &main, &QWidget::hide);
    QObject::connect(&base, &Tbase::referenceDismissed, &images, &QWidget::hide);
}

} // namespace vosk

#include "windowlinks.h"

#include "Unit1.h"
#include "imagery.h"
#include "params.h"

namespace vosk {

void linkWindows(Tbase &base, Tmain &main, TImages &images, Messages &messages)
{
    // The user's own figures live beside main.dat and are saved whenever it is; a folder the
    // inventory opened only for viewing keeps them as they are too.
    main.setDataFolder(base.inventory().datapath(), messages, base.inventory().readOnly());
    QObject::connect(&base, &Tbase::saving, &main, &Tmain::saveUserBook);
    // A part chosen in the list or offered by the taking pass goes into the type box and is
    // looked up, without showing the reference window.
    QObject::connect(&base, &Tbase::partChosen, &main, &Tmain::lookupFrom);
    QObject::connect(&base, &Tbase::referenceRequested, &main, &QWidget::show);
    QObject::connect(&base, &Tbase::referenceDismissed, &main, &QWidget::hide);
    QObject::connect(&base, &Tbase::referenceDismissed, &images, &QWidget::hide);
}

} // namespace vosk

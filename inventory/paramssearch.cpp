// params (`Tbase`): the search tab: up to three criteria for the inventory list, kept until "Сброс".
#include "params.h"

#include "controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace vosk {

// «по номиналу» reads the name as a value: it goes with the name box.
void Tbase::snameClick()
{
    findname->setEnabled(sname->isChecked());
    byvalue->setEnabled(sname->isChecked());
}
void Tbase::skolvoClick() { findkolvo->setEnabled(skolvo->isChecked()); }
void Tbase::sdescClick() { finddesc->setEnabled(sdesc->isChecked()); }

void Tbase::finditClick()
{
    FilterCriteria criteria;
    criteria.category = -1; // a search looks through every category
    if (sname->isChecked()) {
        const auto text = typedText(findname->text());
        if (!text)
            return;
        criteria.name = *text;
    }
    // Up to 65536 as typed: stored quantities never reach it, so it finds nothing rather
    // than turning into "any quantity".
    criteria.quantity = skolvo->isChecked() ? findkolvo->value() : 0;
    if (sdesc->isChecked()) {
        const auto text = typedText(finddesc->text());
        if (!text)
            return;
        criteria.description = *text;
    }
    criteria.byValue = sname->isChecked() && byvalue->isChecked();
    const auto attributes = attributeCriteria();
    if (!attributes)
        return;
    apply(changing().search(criteria, *attributes));
}

void Tbase::searchShow()
{
    // From code: the list, the icons and the labels stay as they are.
    if (ComboBox->count() > 0)
        ComboBox->setCurrentIndex(0);
}

} // namespace vosk

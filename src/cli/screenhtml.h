// The screen as one self-contained HTML page: a sortable table coloured by CpK, a small chart per parameter.
#pragma once

#include "screening/screentable.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace moldrin::cli
{

// What a screen report shows: the product, the selection and the result.
struct ScreenPage {
    QString product;
    QList<screening::SelectionEntry> selection;
    screening::ScreenResult result;
};

// The page, UTF-8. It loads nothing: style, sorting script and charts (inline SVG) are in the page.
QByteArray ScreenHtml(const ScreenPage& page);

} // namespace moldrin::cli

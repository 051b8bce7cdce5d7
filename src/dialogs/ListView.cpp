#include "ListView.h"

#include "ImageList.h"
#include "ListItemsModel.h"
#include "Twips.h"

#include <QApplication>
#include <QHeaderView>

ListView::ListView(const ImageList* smallIcons, QWidget* parent)
    : QTreeView(parent), m_items(new ListItemsModel(smallIcons, this)) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(smallIcons->imageSize());
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setModel(m_items);
}

ListItemsModel& ListView::ListItems() const {
    return *m_items;
}

void ListView::keyboardSearch(const QString& search) {
    const QModelIndex before = currentIndex();
    bool fresh = false;
    const QString typed = TypedSoFar(search, fresh);
    QTreeView::keyboardSearch(search);
    if (typed.isEmpty() || m_items->count() == 0) {
        return;
    }
    const QModelIndex found = currentIndex();
    if (found.isValid() && found.data().toString().startsWith(typed, Qt::CaseInsensitive)) {
        return;
    }
    const int start = before.isValid() ? before.row() + (fresh ? 1 : 0) : 0;
    if (const QModelIndex row = RowAfterSlash(typed, start); row.isValid()) {
        setCurrentIndex(row);
    }
}

QString ListView::TypedSoFar(const QString& search, bool& fresh) {
    // The same rules as the list's own search, which keeps its text to itself.
    fresh = search.isEmpty() || !m_typedAt.isValid() ||
            m_typedAt.elapsed() > QApplication::keyboardInputInterval();
    m_typed = fresh ? search : m_typed + search;
    m_typedAt.start();
    if (m_typed.size() > 1 && m_typed.count(m_typed.back()) == m_typed.size()) {
        fresh = true;
        return QString(m_typed.front());
    }
    return m_typed;
}

QModelIndex ListView::RowAfterSlash(const QString& typed, int start) const {
    const int rows = m_items->count();
    for (int step = 0; step < rows; ++step) {
        const QModelIndex row = m_items->index((start + step) % rows);
        const QString text = row.data().toString();
        const qsizetype slash = text.indexOf(u'/');
        if (slash >= 0 &&
            QStringView(text).sliced(slash + 1).startsWith(typed, Qt::CaseInsensitive)) {
            return row;
        }
    }
    return QModelIndex();
}

void ListView::setColumn(const QString& header, double widthTwips) {
    m_items->setColumnHeader(header);
    this->header()->resizeSection(0, Twips::ToPixels(widthTwips));
}

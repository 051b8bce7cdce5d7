#include "ListView.h"

#include "ImageList.h"
#include "ListItemsModel.h"
#include "Twips.h"

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

void ListView::setColumn(const QString& header, double widthTwips) {
    m_items->setColumnHeader(header);
    this->header()->resizeSection(0, Twips::ToPixels(widthTwips));
}

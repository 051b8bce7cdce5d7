#include "ListItemsModel.h"

#include "ImageList.h"

#include <iterator>

ListItemsModel::ListItemsModel(const ImageList* smallIcons, QObject* parent)
    : QAbstractListModel(parent), m_smallIcons(smallIcons) {}

int ListItemsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant ListItemsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const ListItem& row = item(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.text;
    case Qt::ToolTipRole:
        return m_toolTips ? m_toolTips(row) : row.text;
    case Qt::DecorationRole:
        return m_smallIcons ? m_smallIcons->icon(row.smallIcon) : QVariant();
    case Qt::CheckStateRole:
        return row.checked ? Qt::Checked : Qt::Unchecked;
    default:
        return {};
    }
}

bool ListItemsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags ListItemsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
           Qt::ItemNeverHasChildren;
}

QVariant ListItemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return m_columnHeader;
    }
    return {};
}

void ListItemsModel::setColumnHeader(const QString& header) {
    m_columnHeader = header;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void ListItemsModel::setToolTipSource(ToolTipSource source) {
    m_toolTips = std::move(source);
}

void ListItemsModel::append(std::vector<ListItem> items) {
    if (items.empty()) {
        return;
    }
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(items.size()) - 1);
    m_items.insert(m_items.end(), std::make_move_iterator(items.begin()),
                   std::make_move_iterator(items.end()));
    endInsertRows();
}

bool ListItemsModel::removeKey(const QString& key) {
    const int row = indexOfKey(key);
    if (row < 0) {
        return false;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_items.erase(m_items.begin() + row);
    endRemoveRows();
    return true;
}

int ListItemsModel::count() const {
    return static_cast<int>(m_items.size());
}

int ListItemsModel::indexOfKey(const QString& key) const {
    for (int row = 0; row < count(); ++row) {
        if (item(row).key == key) {
            return row;
        }
    }
    return -1;
}

const ListItem& ListItemsModel::item(int row) const {
    return m_items.at(static_cast<std::size_t>(row));
}

void ListItemsModel::setChecked(int row, bool checked) {
    m_items.at(static_cast<std::size_t>(row)).checked = checked;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::CheckStateRole});
}

QStringList ListItemsModel::checkedKeys() const {
    QStringList keys;
    for (const ListItem& row : m_items) {
        if (row.checked) {
            keys.append(row.key);
        }
    }
    return keys;
}

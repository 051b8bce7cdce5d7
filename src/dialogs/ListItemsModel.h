#pragma once
// The rows of a list view with a check box on every row: each row has a key,
// a text, the key of its small icon in an image list, and a tick. Rows are
// added in bulk (one insertion for the whole batch, so a view lays them out
// once) and removed by key.
#include <QAbstractListModel>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class ImageList;

struct ListItem {
    QString key;
    QString text;
    QString smallIcon;
    bool checked = false;
};

class ListItemsModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListItemsModel)

public:
    /// smallIcons gives the images the rows' smallIcon keys name; it must
    /// outlive the model.
    explicit ListItemsModel(const ImageList* smallIcons, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void setColumnHeader(const QString& header);

    /// Gives a row's tooltip when asked for it (a row's text without one), so
    /// that what it costs is paid only for the rows the user points at.
    using ToolTipSource = std::function<QString(const ListItem&)>;
    void setToolTipSource(ToolTipSource source);

    /// Appends the rows after the last one, in their order.
    void append(std::vector<ListItem> items);
    /// Removes the row with this key (keys compare exactly); false when no row has it.
    bool removeKey(const QString& key);

    int count() const;
    /// Row number of the key, or -1.
    int indexOfKey(const QString& key) const;
    const ListItem& item(int row) const;
    void setChecked(int row, bool checked);
    /// Keys of the ticked rows, in list order.
    QStringList checkedKeys() const;

private:
    const ImageList* m_smallIcons;
    QString m_columnHeader;
    ToolTipSource m_toolTips;
    std::vector<ListItem> m_items;
};

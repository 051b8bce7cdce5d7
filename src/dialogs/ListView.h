#pragma once
// A list view in its one-column details mode: a check box and a small icon on
// every row, a header over the column. Its rows are its ListItems() model.
#include <QTreeView>

class ImageList;
class ListItemsModel;

class ListView final : public QTreeView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListView)

public:
    /// smallIcons must outlive the view.
    ListView(const ImageList* smallIcons, QWidget* parent = nullptr);

    ListItemsModel& ListItems() const;

    /// The one column's header text and width in twips.
    void setColumn(const QString& header, double widthTwips);

private:
    ListItemsModel* m_items;
};

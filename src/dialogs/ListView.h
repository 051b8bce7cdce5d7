#pragma once
// A list view in its one-column details mode: a check box and a small icon on
// every row, a header over the column. Its rows are its ListItems() model.
#include <QElapsedTimer>
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

    /// Type-ahead: the row whose text starts with what was typed, as any list
    /// finds it; when no row does, the first row (from where the search
    /// starts, wrapping) whose text after its "/" starts with it, so that
    /// "pdf" finds application/pdf.
    void keyboardSearch(const QString& search) override;

private:
    /// What the search looks for after this key: the keys typed in quick
    /// succession, or one key alone when the same key was repeated (which
    /// steps through the rows it starts). fresh is set when the search starts
    /// after the current row.
    QString TypedSoFar(const QString& search, bool& fresh);
    QModelIndex RowAfterSlash(const QString& typed, int start) const;

    ListItemsModel* m_items;
    QString m_typed;
    QElapsedTimer m_typedAt;
};

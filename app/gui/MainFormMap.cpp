// The two maps: the residence marker on the entry tab, the search marker with its radius
// circle on the search tab. Every position is in map image coordinates.
#include "app/gui/MainForm.h"

#include "app/core/MapScale.h"
#include "app/gui/FormHelpers.h"
#include "app/gui/PictureBox.h"
#include "app/gui/Pictures.h"
#include "app/gui/ResultDotLayer.h"
#include "app/gui/ResultListModel.h"
#include "app/gui/Shape.h"
#include "ui/widgets/RxSpinEdit.h"

#include <QItemSelectionModel>
#include <QScrollArea>
#include <QTreeView>

namespace zuneigo {

namespace {

MapPoint PositionOf(const QWidget* shape)
{
    return {shape->x(), shape->y()};
}

TShape* MakeMarker(QWidget* image)
{
    auto* marker = new TShape(image);
    marker->SetPen(Qt::black, 1);
    marker->SetBrush(Qt::red);
    marker->setGeometry(136, 120, MarkerSize, MarkerSize);
    return marker;
}

// The image grows to the right and down over the shapes lying past the picture, so its
// scroll box can bring them into view; positions stay those of the picture.
void FitToShapes(TPictureBox* image)
{
    QRect extent(QPoint(0, 0), image->Picture().isNull() ? QSize(MapWidth, MapHeight) : image->Picture().size());
    for (const QWidget* shape : image->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (shape->width() > 0 && shape->height() > 0) extent = extent.united(shape->geometry());
    image->resize(extent.right() + 1, extent.bottom() + 1);
}

} // namespace

void TMainForm::BuildMaps()
{
    const QImage map = LoadPicture(QStringLiteral("map.gif"));
    auto build = [&](QWidget* page, QScrollArea*& box, TPictureBox*& image) {
        MakeLabel(page, QStringLiteral("Ihr Wohnort (einfach an die Stelle klicken):"), 408, 48);
        box = new QScrollArea(page);
        box->setGeometry(408, 64, 201, 265);
        box->setFocusPolicy(Qt::TabFocus);
        image = new TPictureBox;
        image->SetPicture(map);
        if (map.isNull()) image->resize(MapWidth, MapHeight);
        box->setWidget(image);
        box->setWidgetResizable(false);
    };
    build(TabSheet2, ScrollBox1, Image1);
    build(TabSheet1, ScrollBox2, Image2);

    Shape1 = MakeMarker(Image1);
    // Made before the marker and the circle, so it lies under them.
    ResultDotLayer = new TResultDotLayer(Image2);
    Shape2 = MakeMarker(Image2);
    auto* circle = new TShape(Image2);
    circle->SetPen(Qt::red, 3);
    circle->SetBrush(QColor());
    Shape3 = circle;

    Image1->OnMouseDown = [this](Qt::MouseButton, int x, int y) { Image1MouseDown(x, y); };
    Image2->OnMouseDown = [this](Qt::MouseButton, int x, int y) { Image2MouseDown(x, y); };
    circle->OnMouseDown = [this](int x, int y) { Shape3MouseDown(x, y); };
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TMainForm::ShowSelectedDot);
}

void TMainForm::Image1MouseDown(int x, int y)
{
    const MapPoint p = MarkerForMapClick(x, y);
    Shape1->move(p.X, p.Y);
    FitToShapes(Image1);
}

void TMainForm::Image2MouseDown(int x, int y)
{
    const MapPoint p = MarkerForMapClick(x, y);
    Shape2->move(p.X, p.Y);
    RecentreCircle();
}

void TMainForm::Shape3MouseDown(int x, int y)
{
    const MapPoint p = MarkerForCircleClick(PositionOf(Shape2), Shape3->height(), x, y);
    Shape2->move(p.X, p.Y);
    RecentreCircle();
}

void TMainForm::UmKreisChange()
{
    const std::int32_t d = CircleDiameter(SpinValue(UmKreis));
    Shape3->resize(d, d);
    RecentreCircle();
}

void TMainForm::RecentreCircle()
{
    const MapPoint p = CentredCircle(PositionOf(Shape2), Shape3->width());
    Shape3->move(p.X, p.Y);
    FitToShapes(Image2);
}

void TMainForm::ShowResultDots()
{
    ResultDotLayer->SetDots(ResultDots(ResultList->Rows()));
    ShowSelectedDot();
}

void TMainForm::ShowSelectedDot()
{
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    ResultDotLayer->SetHighlight(selected.isEmpty() ? std::nullopt
                                                    : std::optional<std::size_t>(static_cast<std::size_t>(selected.first().row())));
}

} // namespace zuneigo

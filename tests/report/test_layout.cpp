#include "ReportTestSupport.h"

#include "report/QRError.h"
#include "report/QuickRpt.h"

#include <array>
#include <initializer_list>
#include <memory>

namespace
{

// Records the bounds a printable's size object pushes back while it stores a pixel write.
class RecordingPrintable : public TQRPrintable
{
public:
    using TQRPrintable::TQRPrintable;
    void SetBounds(int l, int t, int w, int h) override
    {
        if (Size().ParentUpdating())
            Pushed.push_back({ l, t, w, h });
        TQRPrintable::SetBounds(l, t, w, h);
    }
    std::vector<std::array<int, 4>> Pushed;
};

} // namespace

TEST_F(ReportGeometryTest, InvoiceTitleBandGeometry)
{
    TQuickRep report(Metric);
    report.Page().SetPaperSize(TQRPaperSize::A4);
    TQRBand band(&report);
    band.SetHeight(1043);
    // 794 px page less round(37.795 + 37.795) = 76 px of margins.
    EXPECT_EQ(band.Width(), 718);
    EXPECT_EQ(band.Left(), 38);
    EXPECT_EQ(band.Top(), 38);
    const auto v = band.Size().WriteValues();
    EXPECT_NATIVE(v[0], 2759.604166666667L);
    EXPECT_NATIVE(v[1], 1899.708333333333L);

    report.Page().SetOrientation(poLandscape); // the title band grows to the new width
    EXPECT_EQ(band.Width(), 1123 - 76);
    EXPECT_NATIVE(band.Size().NativeValue(TQRBandSize::HeightIndex), 2759.604166666667L);
}

TEST_F(ReportGeometryTest, StoredBandWidthSurvivesLayout)
{
    // Values carry 16 digits; a layout that finds the same pixel width must keep them.
    TQuickRep report(Metric);
    report.BeginLoading();
    TQRBand band(&report);
    band.Size().ReadValues({ 2759.604166666667L, 1899.708333333333L });
    report.EndLoading();
    EXPECT_EQ(band.Size().WriteValues()[1], 1899.708333333333L);
    EXPECT_EQ(band.Height(), 1043);
}

TEST_F(ReportGeometryTest, BandsStackAndTakeTheirWidthRule)
{
    TQuickRep report(Metric);
    report.Page().SetColumns(2);
    report.Page().SetColumnSpace(10); // 37.795 px, rounded 38
    TQRBand detail(&report);
    detail.SetBandType(rbDetail);
    TQRBand title(&report); // created later, sorted first
    title.SetBandType(rbTitle);
    title.SetHeight(100);
    TQRBand group(&report);
    group.SetBandType(rbGroupHeader);
    TQRBand child(&report);
    child.SetParentBand(&title);
    child.SetBandType(rbChild);

    ASSERT_EQ(
        report.BandList(), (std::vector<TQRCustomBand *> { &title, &child, &detail, &group }));
    EXPECT_EQ(title.Top(), 38);
    EXPECT_EQ(child.Top(), 138);
    EXPECT_EQ(detail.Top(), 178);
    EXPECT_EQ(group.Top(), 218);
    const int column = (718 - 38) / 2;
    EXPECT_EQ(title.Width(), 718);
    EXPECT_EQ(child.Width(), 718) << "a child band follows the band it hangs from";
    EXPECT_EQ(detail.Width(), column);
    EXPECT_EQ(group.Width(), column);

    report.Page().SetPrintOrder(1); // group bands then span the page
    EXPECT_EQ(group.Width(), 718);

    report.SetHideBands(true);
    for (auto *b : report.BandList())
        EXPECT_EQ(b->Top(), 1123);
}

TEST_F(ReportGeometryTest, BandRemovalRelaysTheRest)
{
    TQuickRep report(Metric);
    report.Page().SetColumns(2);
    auto *title = new TQRBand(&report);
    title->SetHeight(100);
    TQRBand detail(&report);
    detail.SetBandType(rbDetail);
    TQRBand child(&report);
    child.SetBandType(rbChild);
    child.SetParentBand(title);
    EXPECT_EQ(detail.Top(), 178);
    EXPECT_EQ(child.Width(), 718);
    delete title;
    EXPECT_EQ(report.BandList(), (std::vector<TQRCustomBand *> { &detail, &child }));
    EXPECT_EQ(detail.Top(), 38);
    EXPECT_EQ(child.ParentBand(), nullptr);
    EXPECT_EQ(child.Width(), 359) << "an orphan child falls back to the column width";
}

TEST_F(ReportGeometryTest, LabelFromPixels)
{
    TQuickRep report(Metric);
    TQRBand band(&report);
    TQRPrintable label(&band);
    EXPECT_EQ(label.Width(), 10); // a new printable is 10 x 10
    label.SetBounds(400, 16, 58, 17);
    const auto v = label.Size().WriteValues(); // Height, Left, Top, Width
    EXPECT_NATIVE(v[0], 44.97916666666667L);
    EXPECT_NATIVE(v[1], 1058.333333333333L);
    EXPECT_NATIVE(v[2], 42.33333333333333L);
    EXPECT_NATIVE(v[3], 153.4583333333333L);
    EXPECT_NATIVE(label.Size().Left(), 105.8333333333333L); // read in the report's MM
}

TEST_F(ReportGeometryTest, PixelWritesAreIndependentOfTheShownUnit)
{
    TQuickRep report(Metric);
    report.SetUnits(TQRUnit::Inches);
    TQRBand band(&report);
    TQRPrintable label(&band);
    label.SetLeft(400);
    EXPECT_NATIVE(label.Size().NativeValue(TQRPrintableSize::LeftIndex), 1058.333333333333L);
    EXPECT_EQ(label.Size().Units(), TQRUnit::Inches);

    report.SetZoom(200);
    EXPECT_EQ(label.Left(), 800); // the native value stays, its pixel reading doubles
    label.SetLeft(400);
    EXPECT_NATIVE(label.Size().NativeValue(TQRPrintableSize::LeftIndex), 529.1666666666667L);
}

TEST_F(ReportGeometryTest, PixelWritesGoInOrderAndSpareUnchangedDimensions)
{
    TQuickRep report(Metric);
    TQRBand band(&report);
    RecordingPrintable label(&band);
    // 45 native is 17.0079 px: shown as 17, but not a whole pixel.
    label.Size().ReadValues({ 45, 100, 200, 300 });
    label.Pushed.clear();
    label.SetBounds(50, 60, 70, 17);
    // Height unchanged (17), then Width, Top, Left; each write pushes all four back.
    const std::vector<std::array<int, 4>> expected = {
        { 38, 76, 70, 17 }, // Width written; Left and Top still the stored ones
        { 38, 60, 70, 17 }, // then Top
        { 50, 60, 70, 17 }, // then Left
    };
    EXPECT_EQ(label.Pushed, expected);
    EXPECT_EQ(label.Size().NativeValue(TQRPrintableSize::HeightIndex), 45.0L);
    EXPECT_EQ(label.Left(), 50);
    EXPECT_EQ(label.Top(), 60);
    EXPECT_EQ(label.Width(), 70);
}

TEST_F(ReportGeometryTest, UnitsAndZoomReachEveryGeometryObject)
{
    TQuickRep report(Metric);
    TQRBand band(&report);
    TQRPrintable onBand(&band);
    TQRPrintable onReport(&report);
    report.SetUnits(TQRUnit::Native);
    for (const TQRUnitBase *o : std::initializer_list<const TQRUnitBase *> {
             &report.Page(), &band.Size(), &onBand.Size(), &onReport.Size() })
        EXPECT_EQ(o->Units(), TQRUnit::Native);

    TQRPrintable late(&band); // takes the band's unit and zoom
    EXPECT_EQ(late.Size().Units(), TQRUnit::Native);
    report.SetZoom(50);
    EXPECT_EQ(band.Zoom(), 50);
    EXPECT_EQ(onBand.Zoom(), 50);
    EXPECT_EQ(onReport.Zoom(), 50);
    EXPECT_EQ(late.Width(), 5);
    EXPECT_EQ(band.Height(), 20);
    TQRPrintable later(&band);
    EXPECT_EQ(later.Zoom(), 50);
}

TEST_F(ReportGeometryTest, LoadingDefersPixelBounds)
{
    TQuickRep report(Metric);
    report.BeginLoading();
    TQRBand band(&report);
    TQRPrintable stored(&band);
    stored.SetBounds(400, 16, 58, 17); // remembered only
    stored.Size().ReadValues({ 45, 100, 200, 300 });
    TQRPrintable boundsOnly(&band);
    boundsOnly.SetBounds(5, 6, 7, 8);
    EXPECT_EQ(boundsOnly.Size().WriteValues(), (std::vector<long double> { 0, 0, 0, 0 }));
    report.EndLoading();

    EXPECT_EQ(stored.Size().WriteValues(), (std::vector<long double> { 45, 100, 200, 300 }));
    EXPECT_EQ(stored.Left(), 38); // from the stored values, not the remembered pixels
    EXPECT_EQ(boundsOnly.Left(), 5);
    EXPECT_EQ(boundsOnly.Height(), 8);
    EXPECT_NATIVE(boundsOnly.Size().NativeValue(TQRPrintableSize::WidthIndex), 7 * 254.0L / 96);
}

TEST_F(ReportGeometryTest, SizeWritesDoNotWriteBack)
{
    TQuickRep report(Metric);
    TQRBand band(&report);
    TQRPrintable label(&band);
    report.SetModified(false);
    label.Size().SetNativeValue(TQRPrintableSize::WidthIndex, 100.1L);
    EXPECT_EQ(label.Size().NativeValue(TQRPrintableSize::WidthIndex), 100.1L);
    EXPECT_EQ(label.Width(), 38);
    EXPECT_TRUE(report.Modified());
}

TEST_F(ReportGeometryTest, OwnershipFollowsTheTree)
{
    auto report = std::make_unique<TQuickRep>(Metric);
    auto *band = new TQRBand(report.get());
    auto *label = new TQRPrintable(band);
    new TQRPrintable(band);
    delete label;
    EXPECT_EQ(band->Printables().size(), 1u);
    EXPECT_THROW(report->SetParent(band), EQRError); // a report inside its own band
    band->SetParent(nullptr);
    EXPECT_TRUE(report->BandList().empty());
    EXPECT_EQ(band->ParentReport(), nullptr);
    EXPECT_EQ(band->Printables().front()->ParentReport(), nullptr);
    band->SetParent(report.get());
    EXPECT_EQ(band->Printables().front()->ParentReport(), report.get());
    report.reset(); // deletes band and label with it
}

TEST_F(ReportGeometryTest, ChildBandLinkStaysWithinOneReport)
{
    TQuickRep first(Metric), second(Metric);
    TQRBand title(&first);
    auto child = std::make_unique<TQRBand>(&first);
    child->SetBandType(rbChild);
    child->SetParentBand(&title);
    ASSERT_EQ(child->ParentBand(), &title);
    child->SetParent(&second); // a link into another report would dangle
    EXPECT_EQ(child->ParentBand(), nullptr);
    child->SetParentBand(&title);
    EXPECT_EQ(child->ParentBand(), nullptr);
    EXPECT_EQ(second.BandList(), (std::vector<TQRCustomBand *> { child.get() }));
    EXPECT_EQ(first.BandList(), (std::vector<TQRCustomBand *> { &title }));
}

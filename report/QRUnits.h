#pragma once
// Measurement units and the geometry base of the report engine. Every dimension is stored
// in native units (tenths of a millimetre) as long double; the unit only changes how it is
// read and written. Nothing is rounded when stored.

#include "report/QRControl.h"

#include <QSizeF>
#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

enum class TQRUnit : int { MM, Inches, Pixels, Characters, Native };

// --- Screen resolution -------------------------------------------------------------------
// The pixels per inch designs and labels are measured at: the program passes its screen's
// logical dpi in once at start, tests pass 96 or 192; until then it is 96. New geometry
// objects and reports take it once, when they are created. A value below 1 gives 96, since
// a resolution of 0 would make every pixel reading infinite.
void SetQRScreenResolution(int dpi);
int QRScreenResolution();

// --- Character cells ---------------------------------------------------------------------
// The Characters unit is one character cell of the report font. By default the cell is the
// fixed one of stored designs: 80 / s / 2.54 native units across and 145.3 / s / 2.54 down
// for a font of s points (it shrinks as the font grows). A report may be given a function
// that measures the font instead (QRMeasureCharCell: its average cell on the reference
// context of that resolution).
using TQRCharCellMetrics = std::function<QSizeF(const TQRFont &font, int pixelsPerInch)>;
QSizeF QRMeasureCharCell(const TQRFont &font, int pixelsPerInch);

// What a geometry object asks of the report it belongs to, for the Characters unit: the
// report font and how its cell is measured. The report implements it, so that the units
// know nothing more of the report.
class IQRUnitReport
{
public:
    virtual const TQRFont &UnitFont() const = 0;
    virtual const TQRCharCellMetrics &UnitCharCellMetrics() const = 0;

protected:
    ~IQRUnitReport() = default;
};

// --- Conversions -------------------------------------------------------------------------
// Native -> unit and back, at resolution r and zoom z (percent). cellNative is the
// character cell in native units along the axis in question (only used for Characters).
long double QRNativeToUnits(
    TQRUnit unit, long double native, int resolution, int zoom, long double cellNative);
long double QRUnitsToNative(
    TQRUnit unit, long double value, int resolution, int zoom, long double cellNative);

// --- Stored "Values" as text -------------------------------------------------------------
// "(100, 2970, 100.5)": the numbers in shortest round-trip form with a decimal point,
// whatever the process locale. Reading accepts any decimal form and blanks between items;
// anything else raises EQRError naming the offset.
QString QRValuesToText(const std::vector<long double> &values);
std::vector<long double> QRValuesFromText(QStringView text);

class TQRUnitBase
{
public:
    explicit TQRUnitBase(const IQRUnitReport *report = nullptr);
    virtual ~TQRUnitBase() = default;

    TQRUnitBase(const TQRUnitBase &) = delete;
    TQRUnitBase &operator=(const TQRUnitBase &) = delete;

    virtual long double NativeToUnits(TQRUnit unit, bool horizontal, long double value) const;
    virtual long double UnitsToNative(TQRUnit unit, bool horizontal, long double value) const;
    virtual TQRUnit Units() const { return FUnits; }
    virtual void Loaded() { UpdateControlBounds(); }
    // Replaces every stored dimension at once, in the class's stored order, unconverted.
    virtual void ReadValues(const std::vector<long double> &values) = 0;
    virtual void UpdateControlBounds() = 0;
    virtual void SetUnits(TQRUnit unit) { FUnits = unit; }
    virtual std::vector<long double> WriteValues() const = 0;

    // The dimensions by index, in the current unit, and their count and axis.
    virtual int DimensionCount() const = 0;
    virtual bool IsHorizontal(int index) const = 0;
    long double Value(int index) const;
    void SetValue(int index, long double value);
    long double NativeValue(int index) const;
    // Stores a native value through the same path as a unit write (with its side effects).
    virtual void SetNativeValue(int index, long double native) = 0;

    int Resolution() const { return FResolution; }
    int Zoom() const { return FZoom; }
    void SetZoom(int zoom) { FZoom = zoom; }
    const IQRUnitReport *UnitReport() const { return FUnitReport; }
    void SetUnitReport(const IQRUnitReport *report) { FUnitReport = report; }
    bool ParentUpdating() const { return FParentUpdating; }

    // The character cell of the report font in native units along one axis.
    long double CharCellNative(bool horizontal) const;

protected:
    // Raises for an index outside 0 .. DimensionCount() - 1.
    void CheckIndex(int index) const;
    // Raises unless values has exactly the class's count of finite numbers.
    void CheckValues(const std::vector<long double> &values) const;
    // Runs f with FParentUpdating set, so the control's resize does not write back.
    void WhileUpdatingParent(const std::function<void()> &f);

    int FResolution;
    TQRUnit FUnits = TQRUnit::MM;
    const IQRUnitReport *FUnitReport;
    bool FParentUpdating = false;
    int FZoom = 100;
};

// Switches a geometry object to another unit for a scope and always puts the previous one
// back, however the scope is left. The previous unit lives here, not in the object, so
// that nested switches cannot overwrite each other's.
class TQRUnitSwitch
{
public:
    TQRUnitSwitch(TQRUnitBase &object, TQRUnit unit)
        : FObject(object)
        , FSaved(object.Units())
    {
        FObject.SetUnits(unit);
    }
    ~TQRUnitSwitch() { FObject.SetUnits(FSaved); }
    TQRUnitSwitch(const TQRUnitSwitch &) = delete;
    TQRUnitSwitch &operator=(const TQRUnitSwitch &) = delete;

private:
    TQRUnitBase &FObject;
    TQRUnit FSaved;
};

#pragma once
// The preview window: TQRPreviewImage draws one recorded page, TQRPreview scrolls and zooms
// it and receives the run printer's notifications, TQRStandardPreview is the window with its
// tool bar and status panels, and TQRStandardPreviewInterface is the factory the run printer
// asks for a window. The zoom arithmetic, the go-to-page entry and the save-type rules are
// plain functions beside them.

#include "preview/QRPDFFilt.h"
#include "preview/QRPreviewLogic.h"
#include "report/QRExport.h"
#include "report/QRPrntr.h"
#include "report/QuickRpt.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QImage>
#include <QLocale>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class IDialogs;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTranslator;
class QPushButton;

// --- The process-wide state of previews -------------------------------------------------------
// The status title of the third panel: the report's title, or the loaded file's name.
QString QRPreviewStatusTitle();

// What the preview windows need of the program: its dialogs, its folder (where "Mail.ini"
// turns the e-mail button on) and the title of its error box.
struct TQRPreviewEnvironment {
    IDialogs *Dialogs = nullptr;
    QString ProgramFolder;
    QString ErrorTitle;
};
const TQRPreviewEnvironment &QRPreviewEnvironment();

// Installs the Turkish texts of the engine's windows and messages when locale is Turkish;
// the translator, owned by app, or null when none was installed.
QTranslator *QRLoadEngineTexts(QCoreApplication &app, const QLocale &locale);

// Registers the standard preview window and the progress window with the engine; the
// program calls it once at start.
void QRRegisterStandardPreview(
    IDialogs &dialogs, const QString &programFolder, const QString &errorTitle);

// --- Page picture control --------------------------------------------------------------------
class TQRPreviewImage : public QWidget
{
    Q_OBJECT
public:
    explicit TQRPreviewImage(QWidget *parent = nullptr);

    TQRPrinter *QRPrinter() const { return FQRPrinter; }
    void SetQRPrinter(TQRPrinter *printer) { FQRPrinter = printer; }
    int PageNumber() const { return FPageNumber; }
    // Drops the picture, fetches page n from the printer (none while unfinished), repaints.
    void SetPageNumber(int n);
    bool ImageOK() const { return !FMetafile.isEmpty(); }
    const QByteArray &Metafile() const { return FMetafile; }
    int Zoom() const { return FZoom; }
    void SetZoom(int zoom) { FZoom = zoom; }

    // Draws the page, frame and shadow into rect (painter coordinates); a backdrop goes
    // under the page's picture, stretched over the paper. What the player refused, if it
    // refused the picture (what came before stays drawn); empty when all of it played.
    static QString PaintPage(QPainter &painter, const QRect &rect, const QByteArray &metafile,
        const QImage &backdrop = {}, qreal backdropOpacity = 1);
    // Why the page on show cannot be shown whole; empty when it can. The window stays
    // usable and says so.
    const QString &Damage() const { return FDamage; }
    std::function<void()> OnDamageChanged;
    // The paper inside the frame drawn into rect.
    static QRect PaperRect(const QRect &rect);

    // What the report shows on screen only: a picture under the page, values to drag.
    void SetOverlay(std::shared_ptr<IQRPreviewOverlay> overlay);
    // Dragging is off while the pages on show are not the report's own run (a loaded file).
    void SetDragEnabled(bool enabled) { FDragEnabled = enabled; }
    bool Dragging() const { return FDragItem >= 0; }
    // Told at every step of a drag, with the text of the value's new place; dropped is true
    // once, when the button is let go after the value moved.
    std::function<void(const QString &where, bool dropped)> OnItemMoved;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // A point of the widget in native units from the paper's top left corner.
    QPointF PaperPoint(QPointF widgetPoint) const;
    QRectF WidgetRect(const QRectF &paperRect) const;
    long double NativePerPixel() const;
    QImage ScaledBackdrop();
    void SetDamage(const QString &why);

    std::shared_ptr<IQRPreviewOverlay> FOverlay;
    bool FDragEnabled = true;
    int FDragItem = -1;
    QPointF FDragStart;
    QPointF FDragDelta;
    QString FDragWhere;
    QImage FScaledBackdrop;
    qint64 FBackdropKey = 0;

    TQRPrinter *FQRPrinter = nullptr;
    int FPageNumber = 1;
    QByteArray FMetafile;
    QString FDamage;
    int FZoom = 100;
};

// --- Page view -------------------------------------------------------------------------------
class TQRPreview : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr int HorzScrollStep = 52;
    static constexpr int VertScrollStep = 43;

    explicit TQRPreview(QWidget *parent = nullptr);
    ~TQRPreview() override;

    TQRPreviewImage *PreviewImage() const { return FPreviewImage; }
    TQRPrinter *QRPrinter() const { return FQRPrinter; }
    // Detaches from the previous printer and attaches to printer; shows page 1.
    void SetQRPrinter(TQRPrinter *printer);
    // Forgets the printer without touching it (it is about to go).
    void ReleaseQRPrinter();
    int PageNumber() const { return FPageNumber; }
    void SetPageNumber(int n);
    int Zoom() const { return FZoom; }
    void SetZoom(int zoom);
    TQRZoomState ZoomState() const { return FZoomState; }
    // The report whose PrevInitialZoom decides the zoom of a page arriving late.
    void SetReport(TCustomQuickRep *report) { FReport = report; }

    void ZoomToFit();
    void ZoomToWidth();
    void UpdateZoom();
    void UpdateImage();

    // The vertical scroll position and its largest value (range - view height).
    int VertPosition() const;
    void SetVertPosition(int position);
    int VertMaximum() const;

    std::function<void(QObject *sender, int pageNum)> OnPageAvailable;
    std::function<void(QObject *sender, int progress)> OnProgressUpdate;

protected:
    void customEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void ApplyZoomMode();
    void UpdateScrollBars();
    void PlaceImage();
    long double PaperWidth() const;
    long double PaperLength() const;

    TQRPreviewImage *FPreviewImage;
    int FPageNumber = 1;
    TQRPrinter *FQRPrinter = nullptr;
    int FZoom = 100;
    TQRZoomState FZoomState = qrZoomOther;
    TCustomQuickRep *FReport = nullptr;
    QPoint FImageOrigin; // the picture's place before scrolling
};

// --- The window ------------------------------------------------------------------------------
class TQRStandardPreview : public QMainWindow
{
    Q_OBJECT
public:
    // CreatePreview: a window for printer (not owned), freed when it closes.
    TQRStandardPreview(QWidget *owner, TQRPrinter *printer);
    ~TQRStandardPreview() override;

    TQRPreview *QRPreview() const { return FQRPreview; }
    TQRPrinter *QRPrinter() const { return FQRPrinter; }
    TCustomQuickRep *Report() const { return FReport; }
    TPrinterOrientation ReportOrientation() const { return FReportOrientation; }
    QString StatusPanel(int index) const;
    QToolButton *Button(const QString &name) const;

    // A value was dragged to a new place: the caption says where at once; the report runs
    // again at most once a frame while the hand moves, and always when it lets go.
    void ItemMoved(const QString &where, bool dropped);
    // Fills the status panels (UpdateInfo).
    void UpdateInfo();
    void SelectPage(int n);

    // The tool bar's actions.
    void ZoomToFitClick();
    void ZoomToWidthClick();
    void ZoomTo100Click();
    void SpeedButton1Click();
    void N50Click(int zoom);
    void FirstPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void GotoPageButtonClick();
    void FindButtonClick();
    void copybuttonClick();
    void PrintSetupClick();
    void PrintClick();
    void LoadClick();
    void SaveClick();
    void SendReportClick();
    void CancelButtonClick();
    void ExitClick();

    // Keys as the window sees them before its controls; true when the key was used.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void QRPreviewPageAvailable(QObject *sender, int pageNum);
    void QRPreviewProgressUpdate(QObject *sender, int progress);
    // A turn of the wheel: up (away from the user) acts as the Up key.
    void QRPreviewMouseWheel(bool up);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The export filters the window offers; each registers its class while it lives.
    std::unique_ptr<TQRPDFFilter> QRPDFFilter1;

    void FormCreate();
    void BuildToolBar();
    QToolButton *AddButton(
        const char *name, const QString &hint, int icon, void (TQRStandardPreview::*action)());
    // Raises the report's OnStandPrevEvent; true when the handler took the action over.
    bool StandPrevHandled(TStandPrevEventType type, const QString &name);
    // Runs a command whose errors the program's error box shows.
    void Guarded(const std::function<void()> &command);
    void SetRunButtonsEnabled(bool enabled);
    void SetButtonVisible(QWidget *button, bool visible);
    void ScrollUp();
    void ScrollDown();
    int PageCount() const;
    bool RunBusy() const;
    void RerunForMovedItem();

    TQRPrinter *FQRPrinter = nullptr;
    TCustomQuickRep *FReport = nullptr;
    TPrinterOrientation FReportOrientation = poPortrait;
    int LastProgress = 0;
    bool ShowThumbs = true;
    bool ShowSearch = true;
    TQRZoomState InitZoom = qrZoom100;
    bool FClosed = false;
    int FWheelDelta = 0;
    QTimer *FRerunTimer = nullptr;

    QToolBar *ToolBar1 = nullptr;
    QToolButton *ZoomFit = nullptr;
    QToolButton *ZoomToWidth = nullptr;
    QToolButton *Zoom100 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QMenu *Zoommenu = nullptr;
    QToolButton *FirstPage = nullptr;
    QToolButton *PreviousPage = nullptr;
    QToolButton *nextPage = nullptr;
    QToolButton *LastPage = nullptr;
    QToolButton *GotoPageButton = nullptr;
    QToolButton *FindButton = nullptr;
    QToolButton *copybutton = nullptr;
    QToolButton *PrintSetup = nullptr;
    QToolButton *Print = nullptr;
    QToolButton *LoadReport = nullptr;
    QToolButton *SaveReport = nullptr;
    QToolButton *SendReport = nullptr;
    QToolButton *CancelButton = nullptr;
    QPushButton *ExitButton = nullptr;
    QSplitter *Splitter = nullptr;
    QTabWidget *Tabs = nullptr;
    TQRPreview *FQRPreview = nullptr;
    QLabel *StatusPanels[3] = {};
};

// The factory the run printer asks for its preview window.
class TQRStandardPreviewInterface : public TQRPreviewInterface
{
public:
    QObject *Show(TQRPrinter *printer) override;
    void ShowModal(TQRPrinter *printer) override;
};

#pragma once
// Page AYAR of the main window: the user fits the print to a pre-printed form by ticking
// values, moving them together with the arrows, looking at a sample report and saving.
// Its controls are the in-memory layout settings: every change goes into them at once, so
// that preview, print and the sample all see what the page shows.

#include "printing/PrintSettings.h"

#include "printing/Calibration.h"

#include <QIcon>
#include <QWidget>
#include <array>
#include <memory>

class IDialogs;
class TInvoiceReport;
class TOnizlemeKatmani;
class TAlignmentSheetReport;
class QCheckBox;
class QLabel;
class QPushButton;
class QComboBox;
class QPushButton;
class QSpinBox;
class QToolButton;

// The tool bar's glyphs, drawn as paths in a 16-by-16 design square, so that they stay crisp
// at any size and device pixel ratio.
enum class TGlyph { Onay, BosSayfa, Disket, OrnekRapor, Yukari, Asagi, Sol, Sag };

QIcon GlyphIcon(TGlyph glyph);

class TAyarSayfasi : public QWidget
{
    Q_OBJECT

public:
    // settings and report belong to the main window and outlive the page; settingsPath is
    // the file "Ayarları Kaydet" writes. The parent gives the font the captions are
    // measured in.
    TAyarSayfasi(IDialogs &dialogs, TPrintSettings &settings, TInvoiceReport &rapor,
        QString settingsPath, QWidget *parent = nullptr);
    ~TAyarSayfasi() override;

    // Puts the in-memory settings into the controls (after the loader has run).
    void AYARLARI_GOSTER();

    // The tool bar's commands.
    void SpeedButton1Click(); // tick all
    void SpeedButton2Click(); // untick all
    void SpeedButton3Click(); // save the layout
    void SpeedButton6Click(); // sample report
    // The four arrows; the sender's tag tells the direction.
    void KAYDIRClick(QToolButton *sender);
    // Copies the invoices of fatura.DB onto the server chosen in the settings file.
    void SunucuyaTasiClick();

    // Tick boxes by number: A(1) is A1 ... A(44) is A44.
    QCheckBox *A(int n) const { return FA.at(static_cast<size_t>(n - 1)); }
    // The tick box of a settings key, nullptr when it has none.
    QCheckBox *KutuOfKey(QStringView key) const;

    QSpinBox *AAO = nullptr;
    QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr;
    QToolButton *SpeedButton6 = nullptr, *SpeedButton4 = nullptr;
    QPushButton *SunucuyaTasi = nullptr;
    QToolButton *UST = nullptr, *ALT = nullptr, *SOL = nullptr, *SAG = nullptr;
    QComboBox *sayfaTipi = nullptr, *drpOutputBin = nullptr, *sayfa_yonelimi = nullptr;

    // Fixed sample captions of QRLabel1 .. QRLabel42.
    static QString OrnekEtiket(int n);

    // The scanned form behind the values in the sample and the invoice preview.
    void FormResmiSecClick();
    void FormResmiKaldirClick();
    QPushButton *FormResmiSec = nullptr, *FormResmiKaldir = nullptr;
    QSpinBox *FormOpaklik = nullptr;
    QLabel *FormResmiAdi = nullptr;
    TOnizlemeKatmani &OnizlemeKatmani() { return *FKatman; }

    // The alignment sheet: print it, take the measured crosshairs, store the feed's
    // correction for that printer and tray, offer a confirming print.
    void HizalamaClick();
    QPushButton *HizalamaSayfasi = nullptr;
    TAlignmentSheetReport &HizalamaRaporu() { return *FHizalama; }

signals:
    // "Geri Dön": back to the invoice form.
    void GeriDon();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildToolBar();
    void BuildBoxes();
    void BuildCaptions();
    void BuildLists();
    void BuildTabOrder();
    void BuildMoveToServer();
    // The step as AAO shows it; a text that is not a number gives 0.
    int Adim() const;
    void BuildFormResmi();
    void FORM_RESMI_GOSTER();
    void BuildHizalama();
    // Prints the sheet with the correction now in force; false when no printer took it.
    bool HIZALAMA_SAYFASI_BAS();

    IDialogs &FDialogs;
    TPrintSettings &FSettings;
    TInvoiceReport &FRapor;
    QString FSettingsPath;
    QWidget *FToolBar = nullptr;
    // In creation order, like kLayoutEntries (A6 before A5).
    std::array<QCheckBox *, kPositionCount> FKutu {};
    // By number, A1 .. A44.
    std::array<QCheckBox *, kPositionCount> FA {};
    std::shared_ptr<TOnizlemeKatmani> FKatman;
    QString FFormResmi; // its file name in the program folder; empty: none
    bool FOpaklikYazilamadi = false; // the last opacity step could not be written
    std::unique_ptr<TAlignmentSheetReport> FHizalama;
    // Where the last sheet went, and the correction it printed with.
    struct THizalamaHedefi {
        QString Printer;
        int Tray = -1;
        TCalibration Current;
    } FHizalamaHedefi;
};

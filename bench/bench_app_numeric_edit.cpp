// One numeric-field exit on the form's real edits, as the user pays it: re-show the typed
// value, restore the colour, then the recomputation that the exit triggers. Baseline: the
// same number of plain edits updated with QString::number, without patterns or rounding
// rules. Target: well under 0.1 ms.

#include "app/FormFields.h"
#include "invoice/Totals.h"
#include "platform/Dialogs.h"
#include "platform/NumberFormat.h"
#include "printing/PrintSettings.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QWidget>

#include "bench/RatioReporter.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace
{

const TFormatSettings kTr = TFormatSettings::Turkish();
const QString kMoney = kDefaultDisplayFormat.toString();
const QString kQuantity = kQuantityFormat.toString();
const double kQuantities[8] = { 3, 1, 2, 12, 1, 5, 7, 1 };
const double kPrices[8] = { 12.5, 20.99, 10.55, 99.99, 1000, 0.35, 14.2, 3.75 };

class TSilentDialogs final : public IDialogs
{
public:
    void Warning(QWidget *, const QString &, const QString &) override { }
    void Error(QWidget *, const QString &, const QString &) override { }
    void Information(QWidget *, const QString &, const QString &) override { }
    TAnswer AskYesNo(QWidget *, const QString &, const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(QWidget *, const QString &, const QString &) override
    {
        return TAnswer::Ok;
    }
    bool InputBox(QWidget *, const QString &, const QString &, QString &) override { return false; }
    QString OpenFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString SaveFileName(
        QWidget *, const QString &, const QString &, const QString &, QString *) override
    {
        return {};
    }
    void Beep() override { }
    void ShellOpen(const QString &, const QString &) override { }
};

// The invoice's numeric fields as real edits, with the exit of F1 wired to the recomputation
// as the main window wires it.
struct TWidgetForm {
    TSilentDialogs Dialogs;
    QWidget Window;
    std::vector<TNumericEdit *> Edits;
    TTotalsForm Form;
    QString Yalniz;

    TNumericEdit *Make(const QString &pattern)
    {
        auto *e = new TNumericEdit(Dialogs, kTr, &Window);
        e->SetDisplayFormat(pattern);
        Edits.push_back(e);
        return e;
    }

    TWidgetForm()
    {
        for (int n = 0; n < 8; ++n) {
            TNumericEdit *m = Make(kQuantity);
            TNumericEdit *f = Make(kMoney);
            TNumericEdit *t = Make(kMoney);
            m->SetValue(kQuantities[n]);
            f->SetValue(kPrices[n]);
            Form.M[n] = m;
            Form.F[n] = f;
            Form.T[n] = t;
        }
        Form.YEKUN = Make(kMoney);
        Form.KDV = Make(kMoney);
        Form.TOPLAM = Make(kMoney);
        Form.SetYalniz = [this](const QString &t) { Yalniz = t; };
        Form.OranText = [] { return u"18"_s; };
        Window.show();
    }
};

void Exit(QWidget *field)
{
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &in);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &out);
}

void BM_NumericExitWithTotals(benchmark::State &state)
{
    TWidgetForm w;
    auto *f1 = static_cast<TNumericEdit *>(w.Form.F[0]);
    QObject::connect(f1, &TFormEdit::Exited, [&] { YEKUN_KDV_TOPLAM(w.Form, kTr); });
    int i = 0;
    for (auto _ : state) {
        f1->setText((i++ & 1) ? u"12,346"_s : u"12,5"_s);
        Exit(f1);
        benchmark::DoNotOptimize(w.Yalniz);
    }
}
BENCHMARK(BM_NumericExitWithTotals);

// The exit alone, with nothing connected: re-show, colours, focus handling.
void BM_NumericExitAlone(benchmark::State &state)
{
    TWidgetForm w;
    auto *f1 = static_cast<TNumericEdit *>(w.Form.F[0]);
    int i = 0;
    for (auto _ : state) {
        f1->setText((i++ & 1) ? u"12,346"_s : u"12,5"_s);
        Exit(f1);
    }
}
BENCHMARK(BM_NumericExitAlone);

// The naive way: the same 27 edits given their numbers with QString::number.
void BM_PlainEditsUpdate(benchmark::State &state)
{
    QWidget window;
    std::vector<QLineEdit *> edits;
    for (int k = 0; k < 27; ++k)
        edits.push_back(new QLineEdit(&window));
    window.show();
    int i = 0;
    for (auto _ : state) {
        double s = 0;
        for (int n = 0; n < 8; ++n) {
            const double t = kQuantities[n] * (kPrices[n] + (i & 1) * 0.01);
            edits[n]->setText(QString::number(t, 'f', 2));
            s += t;
        }
        edits[24]->setText(QString::number(s, 'f', 2));
        edits[25]->setText(QString::number(s * 0.18, 'f', 2));
        edits[26]->setText(QString::number(s * 1.18, 'f', 2));
        ++i;
    }
}
BENCHMARK(BM_PlainEditsUpdate);
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("numeric field exit with recomputation", "BM_NumericExitWithTotals",
        "BM_PlainEditsUpdate", "ns", 1.0, 100000);
    reporter.PrintRatio("numeric field exit alone", "BM_NumericExitAlone", "BM_PlainEditsUpdate",
        "ns", 1.0, 100000);
    benchmark::Shutdown();
    return 0;
}

// The arrows of the design, checked on every #include of the tree rather than hoped for:
// which folder may include which, platform's three weights, the outside libraries that only
// their seam may touch, and no include loop between the units of one folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// A room is a folder, with platform/ split by weight, printing/'s model told apart from the
// report composition (the build links them so; the unit patterns come from the build), and
// the few places allowed to reach into app/ (its own tests and benchmarks) told apart.
std::string RoomOf(const std::string &path)
{
    const auto slash = path.find('/');
    const std::string top = path.substr(0, slash);
    const std::string rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    const std::string unit
        = std::regex_replace(fs::path(rest).stem().string(), std::regex("_p$"), "");
    if (top == "platform") {
        if (rest.starts_with("widgets/"))
            return "platform widgets";
        static const std::regex graphics(LEVANTA_PLATFORM_GRAPHICS_UNITS);
        return std::regex_search(unit, graphics) ? "platform graphics" : "platform core";
    }
    if (top == "printing") {
        static const std::regex model(LEVANTA_PRINTING_MODEL_UNITS);
        return std::regex_search(unit, model) ? "printing model" : "printing";
    }
    if (top == "tests") {
        if (rest.starts_with("support/"))
            return "tests support";
        return rest.starts_with("app/") ? "tests of app" : "tests";
    }
    if (top == "bench")
        return fs::path(rest).filename().string().starts_with("bench_app_") ? "bench of app"
                                                                            : "bench";
    return top;
}

struct TRule {
    const char *Room;
    std::set<std::string> MayInclude;
    const char *Why;
};

const std::vector<TRule> &Rules()
{
    static const std::set<std::string> engine { "invoice", "earsiv", "printing", "printing model",
        "report", "preview", "platform core", "platform graphics", "platform widgets" };
    auto with = [](std::set<std::string> s, std::initializer_list<const char *> more) {
        for (const char *m : more)
            s.insert(m);
        return s;
    };
    static const std::vector<TRule> rules {
        { "app", with(engine, { "app" }), "the program wires every room together" },
        { "printing",
            { "printing", "printing model", "report", "earsiv", "invoice", "platform core",
                "platform graphics" },
            "the invoice report and the e-Arşiv copy are composed on the engine and print "
            "through its interface" },
        { "printing model", { "printing model", "invoice", "platform core" },
            "the print settings model links neither Qt Gui nor libUEMF" },
        { "earsiv", { "earsiv", "invoice", "platform core" },
            "the e-Arşiv document is plain data and XML, built from the invoice" },
        { "report", { "report", "platform core", "platform graphics" },
            "the engine knows nothing of invoices and opens no window itself" },
        { "preview",
            { "preview", "report", "platform core", "platform graphics", "platform widgets" },
            "the preview shows the engine's pages and knows nothing of invoices" },
        { "invoice", { "invoice", "platform core" },
            "the invoice logic links neither Qt Gui nor libUEMF" },
        { "platform core", { "platform core" }, "the core links neither Qt Gui nor libUEMF" },
        { "platform graphics", { "platform core", "platform graphics" },
            "drawing and pictures need no widgets" },
        { "platform widgets", { "platform core", "platform graphics", "platform widgets" },
            "the Qt side of the seams" },
        { "tests", with(engine, { "tests", "tests support" }),
            "tests include what they exercise, never app/" },
        { "tests of app", with(engine, { "tests", "tests support", "tests of app", "app" }),
            "app's own tests" },
        { "tests support", with(engine, { "tests support" }),
            "the doubles and private servers behind the seams serve every test, so never app/" },
        { "bench", with(engine, { "bench", "tests support" }),
            "benchmarks measure the engine (on the tests' private servers), never app/ or a test" },
        { "bench of app", with(engine, { "bench", "tests support", "app" }),
            "app's own benchmarks" },
        { "fuzz", with(engine, { "fuzz" }), "fuzzers feed the parsers, never app/" },
    };
    return rules;
}

const TRule *RuleOf(const std::string &room)
{
    for (const TRule &r : Rules())
        if (room == r.Room)
            return &r;
    return nullptr;
}

// An arrow is allowed when the includer's room lists the included file's room. The message
// says what was found and what the room may include instead.
std::string ArrowError(const std::string &from, const std::string &to)
{
    const std::string a = RoomOf(from), b = RoomOf(to);
    const TRule *rule = RuleOf(a);
    if (!rule)
        return "\"" + a + "\" is no room of the design";
    if (rule->MayInclude.count(b))
        return {};
    std::string list;
    for (const std::string &r : rule->MayInclude)
        list += (list.empty() ? "" : ", ") + r;
    return a + " -> " + b + " is against the design (" + rule->Why + "); " + a
        + " may include: " + list;
}

// Outside libraries that only their seam may include.
std::string LibraryError(const std::string &from, const std::string &header)
{
    const std::string room = RoomOf(from);
    if (header == "sqlite3.h" && room != "platform core" && !room.starts_with("tests")
        && !room.starts_with("bench"))
        return "<sqlite3.h> belongs behind platform/Sqlite";
    if (header == "libpq-fe.h" && room != "platform core" && !room.starts_with("tests")
        && !room.starts_with("bench"))
        return "<libpq-fe.h> belongs behind platform/Postgres";
    if (header == "qrencode.h" && room != "printing")
        return "<qrencode.h> belongs behind printing's karekod symbol";
    if (header.starts_with("uemf") && room != "platform graphics" && !room.starts_with("tests")
        && !room.starts_with("bench") && room != "fuzz")
        return "<" + header + "> belongs behind platform's EMF recorder and player";
    return {};
}

// The Qt module an angle-bracket include belongs to ("QtWidgets"), found where the build finds
// it; empty for anything that is not Qt's.
std::string QtModuleOf(const std::string &header)
{
    static const char *const modules[] = { "QtWidgets", "QtPrintSupport", "QtGui", "QtCore" };
    if (const auto slash = header.find('/'); slash != std::string::npos) {
        const std::string top = header.substr(0, slash);
        for (const char *m : modules)
            if (top == m)
                return top;
        return {};
    }
    for (const char *m : modules)
        if (fs::is_regular_file(fs::path(LEVANTA_QT_HEADERS) / m / header))
            return m;
    return {};
}

// Qt's heavier modules by room: windows and printing belong to app/, preview/ and
// platform's widgets; Qt Gui stays out of the rooms that link no Gui.
std::string QtModuleError(const std::string &from, const std::string &module)
{
    static const std::set<std::string> noWidgets { "report", "printing", "printing model",
        "invoice", "earsiv", "platform core" };
    static const std::set<std::string> noGui { "invoice", "earsiv", "printing model",
        "platform core" };
    const std::string room = RoomOf(from);
    if ((module == "QtWidgets" || module == "QtPrintSupport") && noWidgets.count(room))
        return module + " belongs to the windows (app/, preview/, platform/widgets), not to "
            + room;
    if (module == "QtGui" && noGui.count(room))
        return room + " links no Qt Gui";
    return {};
}

struct TInclude {
    int Line;
    std::string Name;
    bool Quoted;
};

std::vector<TInclude> IncludesOf(const fs::path &file)
{
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<TInclude> out;
    std::ifstream in(file);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        std::smatch m;
        if (std::regex_search(line, m, include))
            out.push_back({ n, m[2].str(), m[1].str() == "\"" });
    }
    return out;
}

const std::vector<std::string> kTopFolders { "app", "bench", "earsiv", "fuzz", "invoice",
    "platform", "preview", "printing", "report", "tests" };

// Every source of the tree, as paths relative to the root, in a stable order.
std::vector<std::string> SourcesOf(const fs::path &root)
{
    static const std::set<std::string> kinds { ".h", ".hpp", ".c", ".cc", ".cpp" };
    std::vector<std::string> out;
    for (const std::string &top : kTopFolders) {
        if (!fs::is_directory(root / top))
            continue;
        for (const auto &e : fs::recursive_directory_iterator(root / top))
            if (e.is_regular_file() && kinds.count(e.path().extension().string()))
                out.push_back(fs::relative(e.path(), root).generic_string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A quoted include is found as the build finds it: from the root, beside the file, or from
// tests/ (the test support's own include folder). Generated files are not in the tree.
std::string Resolve(const fs::path &root, const std::string &from, const std::string &name)
{
    const fs::path dir = fs::path(from).parent_path();
    for (const fs::path &candidate : { fs::path(name), dir / name, fs::path("tests") / name })
        if (fs::is_regular_file(root / candidate))
            return candidate.lexically_normal().generic_string();
    return {};
}

// A unit is a header with its source and private header: "report/QRUnits".
std::string UnitOf(const std::string &path)
{
    std::string unit = (fs::path(path).parent_path() / fs::path(path).stem()).generic_string();
    if (unit.ends_with("_p"))
        unit.resize(unit.size() - 2);
    return unit;
}

// The include loops between units of one folder, each as "a -> b -> a".
std::vector<std::string> LoopsOf(const std::map<std::string, std::set<std::string>> &edges)
{
    std::vector<std::string> loops;
    std::map<std::string, int> state; // 1 on the path, 2 done
    std::vector<std::string> path;
    std::function<void(const std::string &)> visit = [&](const std::string &u) {
        state[u] = 1;
        path.push_back(u);
        if (auto it = edges.find(u); it != edges.end())
            for (const std::string &v : it->second) {
                if (state[v] == 1) {
                    std::string loop;
                    for (auto p = std::find(path.begin(), path.end(), v); p != path.end(); ++p)
                        loop += *p + " -> ";
                    loops.push_back(loop + v);
                } else if (state[v] == 0) {
                    visit(v);
                }
            }
        path.pop_back();
        state[u] = 2;
    };
    for (const auto &[u, targets] : edges)
        if (state[u] == 0)
            visit(u);
    return loops;
}

TEST(Arrows, RoomsAndRulesRefuseWhatTheDesignForbids)
{
    const struct {
        const char *From, *To;
        bool Allowed;
        const char *Why;
    } rows[] = {
        { "app/main.cpp", "printing/InvoiceReport.h", true, "app wires everything" },
        { "printing/InvoiceReport.h", "report/QRCtrls.h", true, "printing -> report" },
        { "report/QRUnits.cpp", "app/FormFields.h", false, "nothing outside app/ includes app/" },
        { "report/QuickRpt.h", "invoice/Totals.h", false, "the engine knows no invoices" },
        { "report/QRPrntr.h", "platform/widgets/QtDialogs.h", false, "the engine opens no window" },
        { "invoice/Totals.cpp", "platform/Canvas.h", false, "invoice links no Qt Gui" },
        { "printing/PrintSettings.cpp", "report/QRCtrls.h", false, "the model links no engine" },
        { "printing/InvoiceReport.h", "printing/PrintSettings.h", true,
            "composition reads the model" },
        { "platform/EmfRecords_p.h", "platform/Errors.h", true,
            "a private header weighs as its unit" },
        { "invoice/Totals.cpp", "platform/NumberFormat.h", true, "invoice -> platform core" },
        { "platform/Ini.cpp", "platform/EmfPlayer.h", false, "core links no libUEMF" },
        { "platform/EmfPlayer.cpp", "platform/widgets/QtDialogs.h", false,
            "graphics, not widgets" },
        { "platform/Printing.h", "platform/Canvas.h", true, "the printing interface draws" },
        { "tests/report/test_run.cpp", "app/FormFields.h", false, "engine tests stay off app/" },
        { "tests/app/test_form_fields.cpp", "app/FormFields.h", true, "app's own tests" },
        { "bench/bench_totals.cpp", "app/FormFields.h", false, "benchmarks stay off app/" },
        { "bench/bench_app_numeric_edit.cpp", "app/FormFields.h", true, "app's own benchmark" },
        { "bench/bench_pagestore.cpp", "tests/report/EmfBytes.h", false, "bench is no test" },
        { "bench/bench_print.cpp", "tests/support/CupsServer.h", true, "the private scheduler" },
        { "tests/support/FakePrinting.h", "app/FormFields.h", false, "doubles serve all tests" },
        { "fuzz/fuzz_ini.cpp", "platform/Ini.h", true, "a fuzzer feeds its parser" },
        { "earsiv/UblWriter.cpp", "invoice/InvoiceFields.h", true, "export reads the invoice" },
        { "earsiv/UblWriter.cpp", "report/QRCtrls.h", false, "the document knows no engine" },
        { "invoice/Totals.cpp", "earsiv/EArsivInvoice.h", false, "invoice knows no export" },
        { "printing/EArsivCopy.h", "earsiv/EArsivInvoice.h", true, "the copy reads the model" },
        { "earsiv/UblReader.cpp", "report/QRCtrls.h", false, "earsiv draws nothing" },
        { "report/QRShapes.h", "earsiv/Karekod.h", false, "the engine knows no invoices" },
        { "preview/QRPDFFilt.cpp", "printing/EArsivCopy.h", false, "nor does the PDF writer" },
    };
    for (const auto &r : rows)
        EXPECT_EQ(ArrowError(r.From, r.To).empty(), r.Allowed)
            << r.From << " -> " << r.To << ": " << r.Why;
    EXPECT_FALSE(LibraryError("invoice/InvoiceTable.cpp", "sqlite3.h").empty());
    EXPECT_TRUE(LibraryError("platform/Sqlite.cpp", "sqlite3.h").empty());
    EXPECT_FALSE(LibraryError("invoice/PgInvoiceStore.cpp", "libpq-fe.h").empty());
    EXPECT_TRUE(LibraryError("platform/Postgres.cpp", "libpq-fe.h").empty());
    EXPECT_FALSE(LibraryError("report/QRPrntr.cpp", "uemf.h").empty());

    const struct {
        const char *From, *Header;
        bool Allowed;
    } qt[] = {
        { "report/QRPrntr.cpp", "QDialog", false },
        { "report/QRPrntr.cpp", "QtWidgets/QWidget", false },
        { "printing/InvoiceReport.cpp", "QPrinter", false },
        { "invoice/Totals.cpp", "QPainter", false },
        { "earsiv/UblWriter.cpp", "QImage", false },
        { "platform/Ini.cpp", "QFont", false },
        { "platform/Canvas.cpp", "QPainter", true },
        { "preview/QRPrev.cpp", "QDialog", true },
        { "invoice/Totals.cpp", "QString", true },
        { "earsiv/UblWriter.cpp", "QXmlStreamWriter", true },
    };
    for (const auto &r : qt)
        EXPECT_EQ(QtModuleError(r.From, QtModuleOf(r.Header)).empty(), r.Allowed)
            << r.From << " includes <" << r.Header << ">";
    EXPECT_FALSE(LibraryError("report/QRShapes.cpp", "qrencode.h").empty());
    EXPECT_TRUE(LibraryError("printing/QrSymbol.cpp", "qrencode.h").empty());
}

TEST(Arrows, LoopsAreFoundWithTheirPath)
{
    const std::map<std::string, std::set<std::string>> edges {
        { "r/A", { "r/B" } }, { "r/B", { "r/C" } }, { "r/C", { "r/A" } }, // the loop
        { "r/D", { "r/A" } }, // leads into it, is not part of it
    };
    EXPECT_EQ(LoopsOf(edges), std::vector<std::string> { "r/A -> r/B -> r/C -> r/A" });
    EXPECT_TRUE(LoopsOf({ { "r/A", { "r/B" } }, { "r/B", {} } }).empty());
}

TEST(Arrows, TheTreeKeepsTheDesign)
{
    const fs::path root = LEVANTA_SOURCE_DIR;
    const auto sources = SourcesOf(root);
    ASSERT_GT(sources.size(), 50u) << "the tree was not found at " << root;

    std::vector<std::string> errors;
    std::map<std::string, std::set<std::string>> unitEdges;
    for (const std::string &from : sources) {
        for (const TInclude &inc : IncludesOf(root / from)) {
            const std::string where = from + ":" + std::to_string(inc.Line) + ": ";
            if (!inc.Quoted) {
                if (const std::string e = LibraryError(from, inc.Name); !e.empty())
                    errors.push_back(where + "includes <" + inc.Name + ">: " + e);
                if (const std::string e = QtModuleError(from, QtModuleOf(inc.Name)); !e.empty())
                    errors.push_back(where + "includes <" + inc.Name + ">: " + e);
                continue;
            }
            const std::string to = Resolve(root, from, inc.Name);
            if (to.empty())
                continue;
            if (const std::string e = ArrowError(from, to); !e.empty())
                errors.push_back(where + "includes \"" + inc.Name + "\": " + e);
            const std::string a = UnitOf(from), b = UnitOf(to);
            if (a != b && fs::path(a).parent_path() == fs::path(b).parent_path())
                unitEdges[a].insert(b);
        }
    }
    for (const std::string &loop : LoopsOf(unitEdges))
        errors.push_back("include loop between units of one folder: " + loop);

    std::string message;
    for (const std::string &e : errors)
        message += "\n  " + e;
    EXPECT_TRUE(errors.empty()) << errors.size() << " arrow(s) against the design:" << message;
}

} // namespace

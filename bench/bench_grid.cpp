// Filling the list grid with a full data file's worth of entries (32,767)
// and sorting it, the way the main window loads its list: painting
// suspended, one row a time, a sort key written into a hidden column, one
// case-insensitive sort, then painting resumed and the grid shown.
#include "BenchSupport.h"
#include "gui/controls/Grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int Entries = 32767;
constexpr double TargetMs = 300;

const QString Format = QStringLiteral(
    "<Date Rec'd|<Case #|<Category|<Description|<Brand|<Serial #|>Value|<Rec# (hidden)|"
    "<SortCol (hidden)");

QStringList makeRows()
{
    const QStringList categories{"Bicycle",  "Firearm",  "Jewelry", "Narcotics", "Electronics",
                                 "Currency", "Clothing", "Tools",   "Documents", "Vehicle parts"};
    const QStringList things{"Red mountain bike, 21 speed", "9mm semi-automatic pistol",
                             "Gold ring with diamond",      "Plastic bag, white powder",
                             "Laptop computer, black",      "Envelope of bills",
                             "Blue denim jacket, size L",   "Cordless drill with case",
                             "Passport and wallet",         "Car stereo, removed from dash"};
    const QStringList brands{"Trek", "Glock", "", "", "Dell", "", "Levi's", "DeWalt", "", "Sony"};
    QStringList rows;
    rows.reserve(Entries);
    quint32 seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    for (int i = 1; i <= Entries; ++i) {
        const int k = int(next() % 10);
        const int year = 1995 + int(next() % 30), month = 1 + int(next() % 12),
                  day = 1 + int(next() % 28);
        const qint64 cents = qint64(next() % 500000);
        rows << QStringLiteral("%1/%2/%3\t%4-%5\t%6\t%7\t%8\tSN%9\t$%10.%11\t%12")
                    .arg(month, 2, 10, QLatin1Char('0'))
                    .arg(day, 2, 10, QLatin1Char('0'))
                    .arg(year)
                    .arg(year % 100, 2, 10, QLatin1Char('0'))
                    .arg(int(next() % 100000), 5, 10, QLatin1Char('0'))
                    .arg(categories[k], things[k], brands[k])
                    .arg(int(next() % 1000000))
                    .arg(cents / 100)
                    .arg(int(cents % 100), 2, 10, QLatin1Char('0'))
                    .arg(i);
    }
    return rows;
}

// The date sort key: "mm/dd/yyyy" as "yyyymmdd0000".
QString dateKey(const QString &date)
{
    return date.mid(6, 4) + date.left(2) + date.mid(3, 2) + QStringLiteral("0000");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList rows = makeRows();

    std::vector<double> fillSort, shading;
    for (int run = 0; run < 5; ++run) {
        Grid grid;
        grid.resize(860, 500);
        grid.setFormatString(Format);
        grid.show();
        QCoreApplication::processEvents();

        QElapsedTimer timer;
        timer.start();
        grid.hide();
        grid.setRedraw(false);
        grid.setRows(1);
        grid.setRow(0);
        for (const QString &row : rows)
            grid.AddItem(row);
        for (int r = 1; r < grid.Rows(); ++r)
            grid.setTextMatrix(r, 8, dateKey(grid.TextMatrix(r, 0)));
        grid.setCol(8);
        grid.setSort(5);
        grid.setColHidden(7, true);
        grid.setColHidden(8, true);
        grid.setFillCol(3);
        grid.show();
        grid.setRedraw(true);
        grid.setRow(grid.Rows() - 1);
        grid.setTopRow(grid.Rows() - 1);
        QCoreApplication::processEvents();
        fillSort.push_back(double(timer.nsecsElapsed()) / 1e6);

        // Shading every row grey or white, one selection at a time.
        timer.restart();
        grid.hide();
        for (int r = 1; r < grid.Rows(); ++r) {
            grid.setRow(r);
            grid.setCol(0);
            grid.setColSel(6);
            grid.setCellBackColor(r % 2 == 0 ? 0xF0F0F0 : 0xFFFFFF);
        }
        grid.show();
        QCoreApplication::processEvents();
        shading.push_back(double(timer.nsecsElapsed()) / 1e6);

        if (grid.TextMatrix(1, 8) > grid.TextMatrix(grid.Rows() - 1, 8)) {
            std::fprintf(stderr, "grid not sorted\n");
            return 1;
        }
    }
    std::printf("fill %d rows x 9 columns and sort: median of 5 runs\n", Entries);
    judge("grid filled and sorted", median(fillSort), "ms", -1, TargetMs);
    std::printf("shade %d rows through the selection: median of 5 runs %.1f ms\n", Entries,
                median(shading));
    return 0;
}

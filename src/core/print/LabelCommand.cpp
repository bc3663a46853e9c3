#include "core/print/LabelCommand.h"

#include "core/common/Globals.h"
#include "core/entries/DataFile.h"
#include "core/print/Labels.h"

#include <QDir>
#include <QFileInfo>

namespace
{

int fail(QString *err, const QString &why)
{
    *err = why + QLatin1Char('\n');
    return 1;
}

} // namespace

int RunLabelCommand(const StartOptions &options, QString *out, QString *err)
{
    out->clear();
    err->clear();
    if (options.listLabelTemplates) {
        for (const LabelTemplate &t : LabelTemplates())
            *out += t.name + QLatin1Char('\n');
        return 0;
    }
    if (int(!options.labelCase.isEmpty()) + int(options.labelAll) + int(options.labelActive) > 1)
        return fail(err, QStringLiteral("--case, --all and --active are used one at a time"));
    if (options.labelTemplate.isEmpty())
        return fail(err, QStringLiteral("--labels needs --template NAME"));
    const LabelTemplate *stock = FindLabelTemplate(options.labelTemplate);
    if (!stock)
        return fail(err, QStringLiteral("there is no label template '%1' (--label-templates "
                                        "lists them)")
                             .arg(options.labelTemplate));
    if (options.labelStart < 1 || options.labelStart > stock->perPage())
        return fail(err, QStringLiteral("--start must be a position from 1 to %1 on %2")
                             .arg(stock->perPage())
                             .arg(stock->name));

    const DataSet ds(QFileInfo(options.dataDir).absoluteFilePath());
    DataFile file(ds);
    if (!QFileInfo::exists(file.path()))
        return fail(
            err,
            QStringLiteral("there is no data file: %1").arg(QDir::toNativeSeparators(file.path())));
    QVector<LabelContent> labels;
    const bool read =
        file.open(DataFile::ForReading) && file.forEach([&](int, const EntryRecord &e) {
            if (e.CaseNumber.trimmed() == KilledMarker)
                return true;
            const bool wanted =
                options.labelAll ||
                (!options.labelCase.isEmpty() ? e.CaseNumber.trimmed() == options.labelCase
                                              : !e.isArchived());
            if (wanted)
                labels.append(EntryLabel(e, options.labelQrCode));
            return true;
        });
    if (!read)
        return fail(err, QStringLiteral("the data file could not be read: %1")
                             .arg(QDir::toNativeSeparators(file.path())));
    if (labels.isEmpty())
        return fail(err, QStringLiteral("no entry to label"));
    const QString unscannable = CheckLabels(*stock, labels);
    if (!unscannable.isEmpty())
        return fail(err, unscannable);

    std::unique_ptr<PageSurface> surface = desktop().beginPdf(
        LabelsJobName(), options.labelsFile, {stock->paperWidth, stock->paperHeight});
    if (!surface)
        return fail(err, QStringLiteral("the PDF file could not be written: %1")
                             .arg(QDir::toNativeSeparators(options.labelsFile)));
    surface->setFont(PrintoutFont());
    PrintLabels(*surface, *stock, options.labelStart, labels);
    if (!surface->endDoc())
        return fail(err,
                    QStringLiteral("the PDF file could not be written: %1 (%2)")
                        .arg(QDir::toNativeSeparators(options.labelsFile), surface->errorString()));
    const int pages =
        (options.labelStart - 1 + int(labels.size()) + stock->perPage() - 1) / stock->perPage();
    *out = QStringLiteral("%1 label(s) on %2 page(s): %3\n")
               .arg(labels.size())
               .arg(pages)
               .arg(QDir::toNativeSeparators(options.labelsFile));
    return 0;
}

#include "platform/QtFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace quorlin {

namespace {

QString suffixOf(const QString& pattern) {
    static const QRegularExpression plainExtension(QStringLiteral(R"(^\*\.([^*?\[\]]+)$)"));
    const QRegularExpressionMatch m = plainExtension.match(pattern);
    return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

QList<NameFilter> translateFilterText(const QString& filterText) {
    QList<NameFilter> result;
    const QStringList parts = filterText.split(u'|');
    static const QRegularExpression trailingPatterns(QStringLiteral(R"(\s*\(([^()]*)\)\s*$)"));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QRegularExpressionMatch shown = trailingPatterns.match(description);
        QString patternText = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (patternText.trimmed().isEmpty() && shown.hasMatch()) {
            patternText = shown.captured(1);
        }
        if (shown.hasMatch()) {
            description.truncate(shown.capturedStart());
        }
        QStringList patterns;
        for (const QString& p : patternText.split(u';', Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            if (!pattern.isEmpty()) {
                // On Windows "*.*" matches names without a dot too; Qt's "*" does that here.
                patterns.append(pattern == u"*.*" ? QStringLiteral("*") : pattern);
            }
        }
        if (patterns.isEmpty()) {
            patterns.append(QStringLiteral("*"));
        }
        if (description.isEmpty() && patternText.trimmed().isEmpty()) {
            continue;
        }
        result.append({QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.join(u' ')),
                       suffixOf(patterns.first())});
    }
    return result;
}

QString QtFileDialog::showSave(const FileDialogRequest& request) {
    return show(request, true);
}

QString QtFileDialog::showOpen(const FileDialogRequest& request) {
    return show(request, false);
}

QString QtFileDialog::show(const FileDialogRequest& request, bool save) {
    const QList<NameFilter> filters = translateFilterText(request.filter);
    QFileDialog dialog(parent_);
    // Qt's own dialog, so the extension and the overwrite question behave the same everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.initDir.isEmpty()) {
        dialog.setDirectory(request.initDir);
    }
    QStringList names;
    for (const NameFilter& f : filters) {
        names.append(f.filter);
    }
    if (!names.isEmpty()) {
        dialog.setNameFilters(names);
        const qsizetype index = request.filterIndex >= 1 && request.filterIndex <= names.size()
                                    ? request.filterIndex - 1
                                    : 0;
        dialog.selectNameFilter(names[index]);
        dialog.setDefaultSuffix(filters[index].suffix);
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, filters](const QString& selected) {
                             for (const NameFilter& f : filters) {
                                 if (f.filter == selected) {
                                     dialog.setDefaultSuffix(f.suffix);
                                 }
                             }
                         });
    }
    const EventGate::Hold hold(gate_);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return {};
    }
    return QFileInfo(chosen.first()).absoluteFilePath();
}

}  // namespace quorlin

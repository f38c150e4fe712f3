#include "DetailReport.h"

#include "common/Shuffle.h"
#include "model/EmbeddedNames.h"
#include "model/Test.h"
#include "ResultTest.h"
#include "richtext/Picture.h"
#include "richtext/RichText.h"

#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>

namespace kvizor {
namespace {

const QColor kFileLineColor(128, 128, 128);
const QColor kTaskHeadColor(128, 0, 0);
const QColor kAnswerColor(0, 128, 0);
const QColor kAnswerRectOutline(255, 0, 0);
const QColor kAnswerRectHatch(0, 128, 0);

const QString kCrLf = QStringLiteral("\r\n");

QString typeHeading(int taskType, int variantCount)
{
    switch (taskType) {
    case ttSingleChoice:
        return QStringLiteral("Выберите один из %1 вариантов ответа:").arg(variantCount);
    case ttMultipleChoice:
        return QStringLiteral("Выберите несколько из %1 вариантов ответа:").arg(variantCount);
    case ttOrdering:
        return QStringLiteral("Укажите порядок следования всех %1 вариантов ответа:").arg(variantCount);
    case ttMatching:
        return QStringLiteral("Укажите соответствие для всех %1 вариантов ответа:").arg(variantCount);
    case ttTrueFalse:
        return QStringLiteral("Укажите истинность или ложность вариантов ответа:");
    case ttNumber:
        return QStringLiteral("Запишите число:");
    case ttText:
        return QStringLiteral("Запишите ответ:");
    case ttImagePoint:
        return QStringLiteral("Укажите место на изображении:");
    default:
        return {};
    }
}

QString firstLine(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak).value(0);
}

// Pictures of a fragment live in its own document; the report gets its own copies.
void copyPictures(const QTextDocument& from, QTextDocument* to)
{
    for (QTextBlock block = from.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl url(format.toImageFormat().name());
            if (to->resource(QTextDocument::ImageResource, url).isValid())
                continue;
            const QVariant image = from.resource(QTextDocument::ImageResource, url);
            if (image.isValid())
                to->addResource(QTextDocument::ImageResource, url, image);
        }
    }
}

// Writes the report paragraph by paragraph. Character styles are set per paragraph from
// the base format rather than carried over from the previous one, so every task of the
// report looks the same whatever the fragments before it held.
class ReportWriter
{
public:
    ReportWriter(QTextDocument* document, const TPictureErrorHandler& onPictureError)
        : m_document(document), m_cursor(document), m_onPictureError(onPictureError)
    {
        const QFont base = document->defaultFont();
        m_baseSize = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    }

    QTextCharFormat base() const { return QTextCharFormat(); }

    // Italic and two points smaller than the base size.
    QTextCharFormat smaller() const
    {
        QTextCharFormat format;
        format.setFontItalic(true);
        format.setFontPointSize(std::max(1.0, m_baseSize - 2.0));
        return format;
    }

    void newParagraph(Qt::Alignment alignment = Qt::AlignLeft, const QTextCharFormat& format = {})
    {
        QTextBlockFormat block;
        block.setAlignment(alignment);
        if (m_first) {
            m_cursor.setBlockFormat(block);
            m_cursor.setBlockCharFormat(format);
            m_first = false;
        } else {
            m_cursor.insertBlock(block, format);
        }
    }

    void paragraph(const QString& text, const QTextCharFormat& format,
                   Qt::Alignment alignment = Qt::AlignLeft)
    {
        newParagraph(alignment, format);
        m_cursor.insertText(text, format);
    }

    void emptyParagraph() { newParagraph(); }

    void text(const QString& text, const QTextCharFormat& format) { m_cursor.insertText(text, format); }

    void fragment(const QString& richText)
    {
        AppendRichText(m_cursor, richText);
        m_cursor.setCharFormat(base());
    }

    // A picture in a paragraph of its own.
    void picture(const QImage& image)
    {
        const QString name = QStringLiteral("kvizor-report:%1").arg(++m_pictureSerial);
        m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
        QTextImageFormat format;
        format.setName(name);
        format.setWidth(image.width());
        format.setHeight(image.height());
        newParagraph();
        m_cursor.insertImage(format);
    }

    // Loads a task's picture from the test's folder; a failure (a missing file or a name
    // leading elsewhere included) is told once and yields a null image.
    QImage loadPicture(const QString& folder, const QString& imageFile) const
    {
        const QString found = FindPictureFile(folder, imageFile);
        const QString path = found.isEmpty() ? folder + imageFile : found;
        QString reason = QStringLiteral("no such file");
        QImage image = found.isEmpty() ? QImage() : LoadPictureFile(path, &reason);
        if (image.isNull() && m_onPictureError)
            m_onPictureError(path, reason);
        return image;
    }

private:
    QTextDocument* m_document;
    QTextCursor m_cursor;
    const TPictureErrorHandler& m_onPictureError;
    double m_baseSize = 10.0;
    bool m_first = true;
    int m_pictureSerial = 0;
};

QString answerText(const TTask& task, const QList<int>& order)
{
    const int points = task.Weight;
    QString text;
    switch (task.TaskType) {
    case ttSingleChoice: {
        int right = 0;
        for (int j = 0; j < order.size(); ++j) {
            if (task.IsVariantRight(order[j]))
                right = j + 1;
        }
        if (right > 0)
            text = QStringLiteral("Верный ответ (%1 б.): %2;").arg(points).arg(right);
        break;
    }
    case ttMultipleChoice:
        text = QStringLiteral("Верные ответы (%1 б.): ").arg(points);
        for (int j = 0; j < order.size(); ++j) {
            if (task.IsVariantRight(order[j]))
                text += QString::number(j + 1) + QStringLiteral("; ");
        }
        break;
    case ttOrdering:
    case ttMatching:
        text = QStringLiteral("Верные ответы (%1 б.): ").arg(points);
        for (const int variant : order)
            text += kCrLf + QLatin1Char('\t') + QString::number(task.GetVariantValue(variant)) +
                    QStringLiteral("; ");
        break;
    case ttTrueFalse:
        text = QStringLiteral("Верные ответы (%1 б.): ").arg(points);
        for (const int variant : order) {
            text += kCrLf + QLatin1Char('\t');
            switch (task.GetVariantValue(variant)) {
            case 1:
                text += QStringLiteral("Да; ");
                break;
            case 2:
                text += QStringLiteral("Нет; ");
                break;
            case 0:
                text += QStringLiteral("; ");
                break;
            default:
                break;
            }
        }
        break;
    case ttNumber:
        if (task.NumberIsRange) {
            text = QStringLiteral("Верный ответ (%1 б.) в диапазоне от %2 до %3.")
                       .arg(points)
                       .arg(GeneralNumberText(task.NumberMin), GeneralNumberText(task.NumberMax));
        } else {
            text = QStringLiteral("Верный ответ (%1 б.): %2.")
                       .arg(points)
                       .arg(GeneralNumberText(task.NumberValue));
        }
        break;
    case ttText:
        text = QStringLiteral("Верный ответ (%1 б.): \"").arg(points) + firstLine(task.TextAnswers) +
               QStringLiteral("\".");
        break;
    case ttImagePoint:
        text = QStringLiteral("Верный ответ (%1 б.):").arg(points);
        break;
    default:
        break;
    }
    return text;
}

void writeAnswer(ReportWriter& out, const QString& answer)
{
    out.emptyParagraph();
    QTextCharFormat green = out.base();
    green.setForeground(kAnswerColor);
    for (const QString& line : answer.split(kCrLf))
        out.paragraph(line, green);
}

void writeListing(ReportWriter& out, const TTask& task, const QList<int>& order)
{
    switch (task.TaskType) {
    case ttSingleChoice:
    case ttMultipleChoice:
        for (int j = 0; j < order.size(); ++j) {
            out.paragraph(QStringLiteral("%1) ").arg(j + 1), out.base());
            out.fragment(task.GetVariant(order[j]));
        }
        break;
    case ttMatching:
        for (int i = 0; i < task.MatchVariantCount(); ++i) {
            out.paragraph(QStringLiteral("%1) ").arg(i + 1), out.base());
            out.fragment(task.GetMatchVariant(i));
        }
        out.emptyParagraph();
        [[fallthrough]];
    case ttOrdering:
    case ttTrueFalse:
        for (const int variant : order) {
            out.paragraph(QStringLiteral("__ "), out.base());
            out.fragment(task.GetVariant(variant));
        }
        break;
    case ttNumber:
    case ttText:
        out.paragraph(QString(42, QLatin1Char('_')), out.base());
        break;
    default:
        break;
    }
}

void writeTask(ReportWriter& out, const TTest& test, const TTask& task, int position, std::int32_t taskResult,
               QList<int>& variantOrder)
{
    out.emptyParagraph();
    QTextCharFormat head = out.base();
    head.setFontWeight(QFont::Bold);
    head.setFontUnderline(true);
    head.setForeground(kTaskHeadColor);
    out.paragraph(QStringLiteral("Задание #") +
                      QStringLiteral(" %1 - %2!")
                          .arg(position)
                          .arg(taskResult > 0 ? QStringLiteral("верно") : QStringLiteral("ошибка")),
                  head);

    out.paragraph(QStringLiteral("Вопрос:"), out.smaller());
    out.newParagraph();
    out.fragment(task.Question);

    if (!task.ImageFile.isEmpty() && task.TaskType != ttImagePoint) {
        out.paragraph(QStringLiteral("Изображение:"), out.smaller());
        const QImage image = out.loadPicture(test.TempFolder, task.ImageFile);
        if (!image.isNull()) {
            out.picture(image);
            out.emptyParagraph();
        }
    }

    out.emptyParagraph();
    out.paragraph(typeHeading(task.TaskType, task.VariantCount()), out.smaller());

    variantOrder.clear();
    if (task.HasVariants()) {
        for (int i = 0; i < task.VariantCount(); ++i)
            variantOrder.append(i);
        if (test.RandomVariantOrder)
            ShuffleIndexes(variantOrder);
    }

    writeListing(out, task, variantOrder);
    const QString answer = answerText(task, variantOrder);
    if (task.TaskType == ttImagePoint) {
        if (!task.ImageFile.isEmpty()) {
            const QImage image = out.loadPicture(test.TempFolder, task.ImageFile);
            if (!image.isNull()) {
                out.picture(image);
                out.emptyParagraph();
                writeAnswer(out, answer);
                out.picture(MarkAnswerRect(image, task.AnswerRect));
                out.emptyParagraph();
            }
        }
    } else {
        writeAnswer(out, answer);
    }
    out.emptyParagraph();
}

} // namespace

void AppendRichText(QTextCursor& cursor, const QString& richText)
{
    QTextDocument* document = cursor.document();
    QTextDocument scratch;
    scratch.setDefaultFont(document->defaultFont());
    LoadRichTextDocument(&scratch, richText, false);
    copyPictures(scratch, document);
    const bool startsParagraph = cursor.block().length() <= 1;
    const int start = cursor.position();
    cursor.insertFragment(QTextDocumentFragment(&scratch));
    // A fragment does not carry its first paragraph's format (alignment, indents); a
    // fragment that starts a paragraph of its own keeps it.
    if (startsParagraph && !scratch.isEmpty()) {
        QTextCursor first(document);
        first.setPosition(start);
        first.setBlockFormat(scratch.begin().blockFormat());
    }
}

void BuildDetailReport(QTextDocument* report, const TTest& test, const TTaskList& tasks,
                       const TResultTest& result, const TPictureErrorHandler& onPictureError)
{
    report->clear();
    ReportWriter out(report, onPictureError);

    QTextCharFormat fileLine = out.smaller();
    fileLine.setForeground(kFileLineColor);
    out.paragraph(QStringLiteral("Тест: ") + test.FileName, fileLine);

    QTextCharFormat title = out.base();
    title.setFontWeight(QFont::Bold);
    title.setFontPointSize(report->defaultFont().pointSizeF() + 2.0);
    out.paragraph(test.Title.isEmpty() ? QStringLiteral("Тест") : test.Title, title, Qt::AlignHCenter);

    QList<int> variantOrder;
    for (int k = 0; k < result.TaskOrder.size(); ++k) {
        const int index = result.TaskOrder[k];
        if (index < 0 || index >= int(tasks.size()) || !tasks[size_t(index)])
            continue;
        writeTask(out, test, *tasks[size_t(index)], k + 1, result.GetTaskResult(index), variantOrder);
    }

    out.paragraph(QStringLiteral("Конец"), out.base(), Qt::AlignHCenter);
}

QImage MarkAnswerRect(const QImage& picture, const TAnswerRect& rect)
{
    QImage marked = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (rect.Width <= 0 || rect.Height <= 0)
        return marked;
    QPainter painter(&marked);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect area(rect.Left, rect.Top, rect.Width, rect.Height);
    painter.fillRect(area, QBrush(kAnswerRectHatch, Qt::DiagCrossPattern));
    painter.setPen(QPen(kAnswerRectOutline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    return marked;
}

QString GeneralNumberText(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

} // namespace kvizor

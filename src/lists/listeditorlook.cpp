#include "lists/listeditorlook.h"

#include "ui/multilinetextbox.h"
#include "ui/twips.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {

QFont arialFont(qreal points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

ListEditorParts buildListEditor(QWidget *window, const ListEditorLook &look)
{
    window->setObjectName(look.objectName);
    window->setWindowTitle(look.caption);
    window->setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    window->setFixedSize(twipsSize(7575, look.heightTwips));
    window->setAutoFillBackground(true);
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    window->setPalette(pal);

    ListEditorParts parts{};
    parts.paper = new QLabel(window);
    parts.paper->setObjectName(QStringLiteral("paper"));
    parts.paper->setPixmap(QPixmap(QStringLiteral(":/paper.png")));
    parts.paper->setScaledContents(true);
    parts.paper->setGeometry(twipsRect(0, 0, 7620, 5535));
    parts.paper->setAccessibleName(QStringLiteral("Decoration"));

    parts.text = new MultiLineTextBox(window);
    parts.text->setObjectName(QStringLiteral("listText"));
    parts.text->setGeometry(twipsRect(0, 0, 7575, 5205));
    parts.text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    parts.text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    parts.text->setAccessibleName(look.textName);

    parts.button = new QPushButton(look.buttonCaption, window);
    parts.button->setObjectName(look.buttonObjectName);
    parts.button->setGeometry(twipsRect(6480, 5280, 1095, 255));
    parts.button->setAccessibleName(look.buttonName);

    parts.hideButton = new QPushButton(QStringLiteral("X"), window);
    parts.hideButton->setObjectName(QStringLiteral("hideButton"));
    parts.hideButton->setGeometry(twipsRect(7320, 0, 255, 255));
    parts.hideButton->setFont(arialFont(8.25, true));
    parts.hideButton->setAccessibleName(QStringLiteral("Hide"));
    parts.hideButton->setVisible(false);

    parts.captionStrip = new QLabel(look.stripCaption, window);
    parts.captionStrip->setObjectName(QStringLiteral("captionStrip"));
    const QRect &strip = look.stripTwips;
    parts.captionStrip->setGeometry(twipsRect(strip.x(), strip.y(), strip.width(), strip.height()));
    parts.captionStrip->setAlignment(Qt::AlignCenter);
    parts.captionStrip->setFont(arialFont(12, true));
    QPalette labelPal = parts.captionStrip->palette();
    labelPal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    parts.captionStrip->setPalette(labelPal);
    parts.captionStrip->setAttribute(Qt::WA_TranslucentBackground);
    // The strip spans the window's bottom edge, button included: the button stays on top, so that
    // the mouse reaches it.
    parts.button->raise();
    return parts;
}

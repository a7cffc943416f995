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
    parts.Image1 = new QLabel(window);
    parts.Image1->setObjectName(QStringLiteral("Image1"));
    parts.Image1->setPixmap(QPixmap(QStringLiteral(":/paper.png")));
    parts.Image1->setScaledContents(true);
    parts.Image1->setGeometry(twipsRect(0, 0, 7620, 5535));
    parts.Image1->setAccessibleName(QStringLiteral("Decoration"));

    parts.url = new MultiLineTextBox(window);
    parts.url->setObjectName(QStringLiteral("url"));
    parts.url->setGeometry(twipsRect(0, 0, 7575, 5205));
    parts.url->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    parts.url->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    parts.url->setAccessibleName(look.textName);

    parts.button = new QPushButton(look.buttonCaption, window);
    parts.button->setObjectName(QStringLiteral("Command1"));
    parts.button->setGeometry(twipsRect(6480, 5280, 1095, 255));
    parts.button->setAccessibleName(look.buttonName);

    parts.hideButton = new QPushButton(QStringLiteral("X"), window);
    parts.hideButton->setObjectName(look.hideButtonObjectName);
    parts.hideButton->setGeometry(twipsRect(7320, 0, 255, 255));
    parts.hideButton->setFont(arialFont(8.25, true));
    parts.hideButton->setAccessibleName(QStringLiteral("Hide"));
    parts.hideButton->setVisible(false);

    parts.Label1 = new QLabel(look.stripCaption, window);
    parts.Label1->setObjectName(QStringLiteral("Label1"));
    const QRect &strip = look.stripTwips;
    parts.Label1->setGeometry(twipsRect(strip.x(), strip.y(), strip.width(), strip.height()));
    parts.Label1->setAlignment(Qt::AlignCenter);
    parts.Label1->setFont(arialFont(12, true));
    QPalette labelPal = parts.Label1->palette();
    labelPal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    parts.Label1->setPalette(labelPal);
    parts.Label1->setAttribute(Qt::WA_TranslucentBackground);
    return parts;
}

#include "app/formaccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include "app/formcontrols.h"

namespace {

// Runs a control's OnClick from the event loop, as a button does for a
// screen reader: the handler may open a dialog, which must not hold up the
// screen reader's request.
template <typename Control>
void clickLater(Control *control)
{
    QPointer<Control> c = control;
    QMetaObject::invokeMethod(
        c,
        [c] {
            if (c && c->isEnabled())
                emit c->OnClick();
        },
        Qt::QueuedConnection);
}

class ImageAccessible : public QAccessibleWidget
{
public:
    explicit ImageAccessible(TImage *image) : QAccessibleWidget(image, QAccessible::Graphic) {}

    // Asked each time: the layout connects the flags after making them.
    QAccessible::Role role() const override
    {
        return image()->clickable() ? QAccessible::Button : QAccessible::Graphic;
    }

    QString text(QAccessible::Text t) const override
    {
        // A flag is named by its hint, the language's own name for itself.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return widget()->toolTip();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (image()->clickable() && widget()->isEnabled())
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() && image()->clickable())
            clickLater(image());
        else
            QAccessibleWidget::doAction(action);
    }

private:
    TImage *image() const { return static_cast<TImage *>(object()); }
};

// The notice opens the maker's web site when clicked: a link.
class LabelAccessible : public QAccessibleWidget
{
public:
    explicit LabelAccessible(TLabel *label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return label()->text().simplified();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (widget()->isEnabled())
            names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            clickLater(label());
        else
            QAccessibleWidget::doAction(action);
    }

private:
    TLabel *label() const { return static_cast<TLabel *>(object()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TImage"))
        return new ImageAccessible(static_cast<TImage *>(object));
    if (className == QLatin1String("TLabel"))
        return new LabelAccessible(static_cast<TLabel *>(object));
    return nullptr;
}

} // namespace

namespace qv {

void installFormAccessibility()
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(factory);
    }
}

} // namespace qv

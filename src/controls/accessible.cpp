// Screen reader support. GTK gives every widget an ATK object, which its
// bridge publishes on the AT-SPI bus; a wx control that draws itself is a
// plain GTK container there, a nameless "panel". Names are set on the
// toolkit's own objects; a picture button gets an object of its own type:
// the toolkit's widget object (position, focus, sensitivity) with the push
// button role, its lit state and a click action.

#include "controls/accessible.h"

#include <wx/window.h>

#ifdef __WXGTK3__

#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>

namespace {

struct PushButtonAccessible
{
    GtkWidgetAccessible parent;
    wxWindow* button; // null once the control is being destroyed
    gboolean lit;
};

struct PushButtonAccessibleClass
{
    GtkWidgetAccessibleClass parent;
};

AtkObjectClass* s_parentClass = nullptr;

void InitializePushButton(AtkObject* object, gpointer widget)
{
    s_parentClass->initialize(object, widget);
    atk_object_set_role(object, ATK_ROLE_PUSH_BUTTON);
}

AtkStateSet* RefPushButtonStates(AtkObject* object)
{
    AtkStateSet* states = s_parentClass->ref_state_set(object);
    if (reinterpret_cast<PushButtonAccessible*>(object)->lit)
    {
        atk_state_set_add_state(states, ATK_STATE_CHECKED);
        atk_state_set_add_state(states, ATK_STATE_PRESSED);
    }
    return states;
}

void InitPushButtonClass(gpointer klass, gpointer)
{
    s_parentClass = ATK_OBJECT_CLASS(g_type_class_peek_parent(klass));
    AtkObjectClass* atkClass = ATK_OBJECT_CLASS(klass);
    atkClass->initialize = InitializePushButton;
    atkClass->ref_state_set = RefPushButtonStates;
}

gboolean DoClick(AtkAction* action, gint index)
{
    wxWindow* button = reinterpret_cast<PushButtonAccessible*>(action)->button;
    if (index != 0 || !button || !button->IsEnabled())
        return FALSE;
    // From the event loop, as GTK's own buttons do: the screen reader's call
    // returns before the click's work (and any message box) begins.
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->AddPendingEvent(click);
    return TRUE;
}

gint CountActions(AtkAction*)
{
    return 1;
}

const gchar* ActionName(AtkAction*, gint index)
{
    return index == 0 ? "click" : nullptr;
}

void InitClickAction(gpointer iface, gpointer)
{
    auto* action = static_cast<AtkActionIface*>(iface);
    action->do_action = DoClick;
    action->get_n_actions = CountActions;
    action->get_name = ActionName;
}

GType PushButtonAccessibleType()
{
    static GType type = 0;
    if (type == 0)
    {
        type = g_type_register_static_simple(GTK_TYPE_WIDGET_ACCESSIBLE, "KestoPushButtonAccessible",
                                             sizeof(PushButtonAccessibleClass), InitPushButtonClass,
                                             sizeof(PushButtonAccessible), nullptr, GTypeFlags(0));
        const GInterfaceInfo clickAction = {InitClickAction, nullptr, nullptr};
        g_type_add_interface_static(type, ATK_TYPE_ACTION, &clickAction);
    }
    return type;
}

GtkWidget* WidgetOf(wxWindow* window)
{
    return window ? static_cast<GtkWidget*>(window->GetHandle()) : nullptr;
}

PushButtonAccessible* PushButtonOf(wxWindow* button)
{
    GtkWidget* widget = WidgetOf(button);
    if (!widget)
        return nullptr;
    AtkObject* object = gtk_widget_get_accessible(widget);
    if (!G_TYPE_CHECK_INSTANCE_TYPE(object, PushButtonAccessibleType()))
        return nullptr;
    return reinterpret_cast<PushButtonAccessible*>(object);
}

// Our objects hang on their widgets under this key. wx draws its own
// controls on one GTK class of its own, whose "get_accessible" is wrapped
// once: a widget with an object of ours answers with it, every other one
// as before.
GQuark OwnObjectKey()
{
    return g_quark_from_static_string("kesto-accessible");
}

using GetAccessibleFn = AtkObject* (*)(GtkWidget*);
GtkWidgetClass* s_wrappedClass = nullptr;
GetAccessibleFn s_classGetAccessible = nullptr;

AtkObject* GetOwnOrClassAccessible(GtkWidget* widget)
{
    if (auto* own = static_cast<AtkObject*>(g_object_get_qdata(G_OBJECT(widget), OwnObjectKey())))
        return own;
    return s_classGetAccessible(widget);
}

bool WrapClassOf(GtkWidget* widget)
{
    GtkWidgetClass* widgetClass = GTK_WIDGET_GET_CLASS(widget);
    if (s_wrappedClass == nullptr && widgetClass->get_accessible != nullptr)
    {
        s_wrappedClass = widgetClass;
        s_classGetAccessible = widgetClass->get_accessible;
        widgetClass->get_accessible = GetOwnOrClassAccessible;
    }
    return widgetClass == s_wrappedClass;
}

void ReleaseOwnObject(gpointer object)
{
    gtk_accessible_set_widget(GTK_ACCESSIBLE(object), nullptr);
    g_object_unref(object);
}

} // namespace

void SetAccessibleName(wxWindow* window, const wxString& name)
{
    if (GtkWidget* widget = WidgetOf(window))
        atk_object_set_name(gtk_widget_get_accessible(widget), name.utf8_str());
}

void ExposeAsPushButton(wxWindow* button, const wxString& name)
{
    GtkWidget* widget = WidgetOf(button);
    if (!widget)
        return;
    AtkObject* object = nullptr;
    if (WrapClassOf(widget))
    {
        object = ATK_OBJECT(g_object_new(PushButtonAccessibleType(), "widget", widget, nullptr));
        atk_object_initialize(object, widget);
        reinterpret_cast<PushButtonAccessible*>(object)->button = button;
        g_object_set_qdata_full(G_OBJECT(widget), OwnObjectKey(), object, ReleaseOwnObject);
    }
    else
    {
        // Not wx's drawing class: the toolkit's own object, named and with the role.
        object = gtk_widget_get_accessible(widget);
        atk_object_set_role(object, ATK_ROLE_PUSH_BUTTON);
    }
    atk_object_set_name(object, name.utf8_str());
}

void SetPushButtonLit(wxWindow* button, bool lit)
{
    PushButtonAccessible* accessible = PushButtonOf(button);
    if (!accessible || bool(accessible->lit) == lit)
        return;
    accessible->lit = lit;
    AtkObject* object = ATK_OBJECT(accessible);
    atk_object_notify_state_change(object, ATK_STATE_CHECKED, lit);
    atk_object_notify_state_change(object, ATK_STATE_PRESSED, lit);
}

void DetachPushButton(wxWindow* button)
{
    if (PushButtonAccessible* accessible = PushButtonOf(button))
    {
        accessible->button = nullptr;
        // Retired while the widget still lives; a screen reader that holds
        // it sees it gone.
        g_object_set_qdata(G_OBJECT(WidgetOf(button)), OwnObjectKey(), nullptr);
    }
}

#else // no accessibility interface of the toolkit's to reach

void SetAccessibleName(wxWindow*, const wxString&) {}
void ExposeAsPushButton(wxWindow*, const wxString&) {}
void SetPushButtonLit(wxWindow*, bool) {}
void DetachPushButton(wxWindow*) {}

#endif

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

void Retire(AtkObject* object)
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

void SetAccessibleDescription(wxWindow* window, const wxString& description)
{
    if (GtkWidget* widget = WidgetOf(window))
        atk_object_set_description(gtk_widget_get_accessible(widget), description.utf8_str());
}

void ExposeAsPushButton(wxWindow* button, const wxString& name)
{
    GtkWidget* widget = WidgetOf(button);
    if (!widget)
        return;
    // GTK makes a widget's object when it is first asked for and keeps it
    // under this key (see gtk_widget_get_accessible); it also retires it
    // when the widget is destroyed. Ours is put there, in place of any made
    // already. Should a GTK keep it elsewhere, the check below notices and
    // its own object gets the name and role.
    const GQuark key = g_quark_from_static_string("gtk-accessible-object");
    if (auto* made = static_cast<AtkObject*>(g_object_steal_qdata(G_OBJECT(widget), key)))
        Retire(made);
    AtkObject* object = ATK_OBJECT(g_object_new(PushButtonAccessibleType(), "widget", widget, nullptr));
    g_object_set_qdata(G_OBJECT(widget), key, object);
    atk_object_initialize(object, widget);
    if (gtk_widget_get_accessible(widget) != object)
    {
        if (g_object_get_qdata(G_OBJECT(widget), key) == object)
            g_object_steal_qdata(G_OBJECT(widget), key);
        Retire(object);
        object = gtk_widget_get_accessible(widget);
        atk_object_set_role(object, ATK_ROLE_PUSH_BUTTON);
    }
    else
        reinterpret_cast<PushButtonAccessible*>(object)->button = button;
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
        accessible->button = nullptr;
}

#else // no accessibility interface of the toolkit's to reach

void SetAccessibleName(wxWindow*, const wxString&) {}
void SetAccessibleDescription(wxWindow*, const wxString&) {}
void ExposeAsPushButton(wxWindow*, const wxString&) {}
void SetPushButtonLit(wxWindow*, bool) {}
void DetachPushButton(wxWindow*) {}

#endif

// Tells Tarvelo which window has the focus: the window's id, process id,
// title and whether it runs on this machine, on the session bus under
// org.tarvelo.FocusedWindow. Tarvelo asks Get() once and then follows Changed;
// Closed says that a window it was told about has gone, so that its process
// id is no longer taken for that window's.
// The same as tarvelo-foreground@tarvelo.org, for the older extension API.
/* exported init */
const {Gio, GLib} = imports.gi;

const BUS_NAME = 'org.tarvelo.FocusedWindow';
const OBJECT_PATH = '/org/tarvelo/FocusedWindow';
const INTERFACE_XML = `
<node>
  <interface name="org.tarvelo.FocusedWindow">
    <method name="Get">
      <arg type="s" direction="out" name="id"/>
      <arg type="u" direction="out" name="pid"/>
      <arg type="s" direction="out" name="title"/>
      <arg type="b" direction="out" name="local"/>
    </method>
    <signal name="Changed">
      <arg type="s" name="id"/>
      <arg type="u" name="pid"/>
      <arg type="s" name="title"/>
      <arg type="b" name="local"/>
    </signal>
    <signal name="Closed">
      <arg type="s" name="id"/>
    </signal>
  </interface>
</node>`;

// What Tarvelo gets of a window; an empty id for none.
function describeWindow(win) {
    if (!win)
        return ['', 0, '', true];
    const pid = win.get_pid();
    return [String(win.get_id()), pid > 0 ? pid : 0, win.get_title() ?? '', !win.is_remote()];
}

class TarveloForegroundExtension {
    enable() {
        this._window = null;
        this._titleId = 0;
        this._told = new Map();  // window -> its 'unmanaged' handler
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, this);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
        this._focusId = global.display.connect('notify::focus-window', () => this._follow());
        this._follow();
    }

    disable() {
        global.display.disconnect(this._focusId);
        this._watch(null);
        for (const [win, id] of this._told)
            this._disconnect(win, id);
        this._told.clear();
        Gio.bus_unown_name(this._nameId);
        this._object.unexport();
        this._object = null;
    }

    Get() {
        return describeWindow(this._window);
    }

    _follow() {
        this._watch(global.display.focus_window);
        this._emit();
    }

    _watch(win) {
        if (this._window && this._titleId)
            this._disconnect(this._window, this._titleId);
        this._window = win;
        this._titleId = win ? win.connect('notify::title', () => this._emit()) : 0;
    }

    _disconnect(win, id) {
        try {
            win.disconnect(id);
        } catch (e) {
            // The window has gone already, and its handlers with it.
        }
    }

    _emit() {
        const description = describeWindow(this._window);
        const win = this._window;
        if (win && !this._told.has(win)) {
            const windowId = description[0];
            this._told.set(win, win.connect('unmanaged', () => {
                this._told.delete(win);
                if (this._window === win)
                    this._watch(null);
                this._object.emit_signal('Closed', new GLib.Variant('(s)', [windowId]));
            }));
        }
        this._object.emit_signal('Changed', new GLib.Variant('(susb)', description));
    }
}

function init() {
    return new TarveloForegroundExtension();
}

// Runs Tarvelo's GNOME Shell extensions and KWin script against small
// stand-ins of the shells' APIs and checks what they report.
//   node ShellScriptsHarness.mjs gnome-module  <extension.js>   (GNOME 45 and later)
//   node ShellScriptsHarness.mjs gnome-legacy  <extension.js>   (GNOME 40 to 44)
//   node ShellScriptsHarness.mjs kwin-6|kwin-5 <script.js>
import assert from 'node:assert/strict';
import fs from 'node:fs';

const [kind, file] = process.argv.slice(2);
const source = fs.readFileSync(file, 'utf8');

// A GObject-style signal source: connect/disconnect by handler id.
function signals() {
    const handlers = new Map();
    let next = 0;
    return {
        connect(name, f) { handlers.set(++next, [name, f]); return next; },
        disconnect(id) {
            if (!handlers.delete(id))
                throw new Error('no such handler');
        },
        emit(name) { [...handlers.values()].filter(([n]) => n === name).forEach(([, f]) => f()); },
        count(name) { return [...handlers.values()].filter(([n]) => name === undefined || n === name).length; },
        clear() { handlers.clear(); },
    };
}

function metaWindow(id, pid, title, remote) {
    const s = signals();
    return {
        get_id: () => id, get_pid: () => pid, get_title: () => title, is_remote: () => remote,
        connect: s.connect, disconnect: s.disconnect, handlers: s.count,
        retitle(t) { title = t; s.emit('notify::title'); },
        // Closes: Mutter signals it, and the window's handlers go with it.
        close() { s.emit('unmanaged'); s.clear(); },
        drop: s.clear,
    };
}

async function gnome(modern) {
    const emitted = [];
    const state = {owned: 0, exported: null};
    const Gio = {
        DBusExportedObject: {
            wrapJSObject: (xml, obj) => {
                assert.match(xml, /<method name="Get">/);
                assert.match(xml, /<signal name="Changed">/);
                assert.match(xml, /<signal name="Closed">/);
                return {
                    export: (bus, path) => { state.exported = path; },
                    unexport: () => { state.exported = null; },
                    emit_signal: (name, variant) => {
                        assert.equal(variant.type, name === 'Closed' ? '(s)' : '(susb)');
                        emitted.push([name, ...variant.value]);
                    },
                };
            },
        },
        DBus: {session: {}},
        BusNameOwnerFlags: {NONE: 0},
        bus_own_name_on_connection: (bus, name) => { assert.equal(name, 'org.tarvelo.FocusedWindow'); return ++state.owned; },
        bus_unown_name: () => { --state.owned; },
    };
    const GLib = {Variant: function (type, value) { this.type = type; this.value = value; }};
    const display = Object.assign(signals(), {focus_window: null});
    globalThis.global = {display};
    const focus = win => { display.focus_window = win; display.emit('notify::focus-window'); };

    let extension;
    if (modern) {
        class Extension {}
        globalThis.shellMocks = {Gio, GLib, Extension};
        const patched = source
            .replace("import Gio from 'gi://Gio';", 'const Gio = globalThis.shellMocks.Gio;')
            .replace("import GLib from 'gi://GLib';", 'const GLib = globalThis.shellMocks.GLib;')
            .replace("import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';",
                'const Extension = globalThis.shellMocks.Extension;');
        assert.doesNotMatch(patched, /^import /m, 'every import has a stand-in');
        const module = await import(`data:text/javascript,${encodeURIComponent(patched)}`);
        extension = new module.default();
    } else {
        globalThis.imports = {gi: {Gio, GLib}};
        extension = new Function(`${source}\nreturn init();`)();
    }

    const a = metaWindow(101n, 4001, 'Alpha', false);
    const b = metaWindow(102, 0, null, true);
    extension.enable();
    assert.equal(state.exported, '/org/tarvelo/FocusedWindow');
    assert.equal(state.owned, 1);
    assert.deepEqual(extension.Get(), ['', 0, '', true], 'nothing focused yet');
    focus(a);
    assert.deepEqual(extension.Get(), ['101', 4001, 'Alpha', true]);
    a.retitle('<b>Alpha</b> 2');
    focus(b);
    assert.deepEqual(extension.Get(), ['102', 0, '', false], 'a remote window without pid or title');
    assert.equal(a.handlers('notify::title'), 0, 'the window out of focus is no longer watched for its title');
    a.retitle('unseen');
    b.retitle('ignored?');
    focus(null);
    assert.equal(b.handlers('notify::title'), 0);
    // Windows it named close, out of focus and in focus: each is told once.
    a.close();
    focus(b);
    b.close();
    assert.deepEqual(extension.Get(), ['', 0, '', true], 'a closed window is not reported');
    focus(null);
    assert.deepEqual(emitted, [
        ['Changed', '', 0, '', true],
        ['Changed', '101', 4001, 'Alpha', true],
        ['Changed', '101', 4001, '<b>Alpha</b> 2', true],
        ['Changed', '102', 0, '', false],
        ['Changed', '102', 0, 'ignored?', false],
        ['Changed', '', 0, '', true],
        ['Closed', '101'],
        ['Changed', '102', 0, 'ignored?', false],
        ['Closed', '102'],
        ['Changed', '', 0, '', true],
    ]);
    // A window that went away with its handlers is let go quietly.
    const c = metaWindow(103, 4003, 'Gone', false);
    focus(c);
    c.drop();
    const d = metaWindow(104, 4004, 'Delta', false);
    focus(d);
    extension.disable();
    assert.equal(state.owned, 0);
    assert.equal(state.exported, null);
    assert.equal(display.count(), 0, 'disabled: nothing of it is left connected');
    assert.equal(d.handlers(), 0);
}

function kwin(generation) {
    const calls = [];
    const signal = () => {
        const handlers = [];
        return {
            connect: f => handlers.push(f),
            disconnect: f => {
                const i = handlers.indexOf(f);
                if (i < 0)
                    throw new Error('not connected');
                handlers.splice(i, 1);
            },
            fire: (...args) => handlers.slice().forEach(f => f(...args)),
            count: () => handlers.length,
        };
    };
    const window = (id, pid, caption, extra) =>
        Object.assign({internalId: id, pid, caption, captionChanged: signal()}, extra);
    const a = window('{aaaa}', 11, 'Alpha', {localhost: true});
    const b = window('{bbbb}', 12, 'Beta', {clientMachine: 'far.example.org'});
    const c = window('{cccc}', 13, 'Wayland', {});
    const activated = signal();
    const removed = signal();
    globalThis.workspace = generation === 6
        ? {windowActivated: activated, windowRemoved: removed, activeWindow: a}
        : {clientActivated: activated, clientRemoved: removed, activeClient: a};
    globalThis.callDBus = (service, path, iface, method, ...args) => {
        assert.deepEqual([path, iface], ['/org/tarvelo/Foreground', 'org.tarvelo.Foreground']);
        calls.push([service, method, ...args]);
    };
    new Function(source)();
    activated.fire(b);
    b.caption = 'Beta 2';
    b.captionChanged.fire();
    a.captionChanged.fire();  // no longer active: not reported
    activated.fire(c);
    removed.fire(a);
    removed.fire(c);  // the active one closes: its captions are no longer followed
    c.captionChanged.fire();
    activated.fire(null);
    const service = calls[0][0];
    assert.match(service, /^:/);
    assert.deepEqual(calls.map(call => call.slice(1)), [
        ['Activated', '{aaaa}', '11', 'Alpha', 'localhost'],
        ['Activated', '{bbbb}', '12', 'Beta', 'far.example.org'],
        ['Activated', '{bbbb}', '12', 'Beta 2', 'far.example.org'],
        ['Activated', '{cccc}', '13', 'Wayland', ''],
        ['Closed', '{aaaa}'],
        ['Closed', '{cccc}'],
        ['Activated', '', '0', '', ''],
    ]);
    assert.ok(calls.every(call => call[0] === service));
    assert.equal(a.captionChanged.count() + b.captionChanged.count() + c.captionChanged.count(), 0);
}

if (kind === 'gnome-module')
    await gnome(true);
else if (kind === 'gnome-legacy')
    await gnome(false);
else if (kind === 'kwin-6')
    kwin(6);
else if (kind === 'kwin-5')
    kwin(5);
else
    throw new Error(`unknown kind ${kind}`);
console.log(`${kind}: ok`);

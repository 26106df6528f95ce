<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>NoDeviceHint</name>
    <message>
        <source>No interface found: plug it in, or check access to /dev/snd</source>
        <translation>Kein Interface gefunden: anschließen oder Zugriff auf /dev/snd prüfen</translation>
    </message>
    <message>
        <source>No supported USB audio interface was found.
- Plug the interface in and switch it on.
- If it is plugged in, you may not be allowed to use /dev/snd: most systems allow it to the &quot;audio&quot; group; join it, then log out and in again.
- To try the panel without hardware, choose &quot;Simulated hardware&quot; in the menu entry&apos;s actions, or run: tarvixmixer --simulator-panel</source>
        <translation>Es wurde kein unterstütztes USB-Audio-Interface gefunden.
- Schließen Sie das Interface an und schalten Sie es ein.
- Ist es angeschlossen, dürfen Sie /dev/snd vielleicht nicht benutzen: Die meisten Systeme erlauben es der Gruppe „audio“; treten Sie ihr bei, melden Sie sich dann ab und wieder an.
- Um das Programm ohne Hardware auszuprobieren, wählen Sie „Simulierte Hardware“ unter den Aktionen des Menüeintrags oder starten Sie: tarvixmixer --simulator-panel</translation>
    </message>
</context>
<context>
    <name>TarvixMixer</name>
    <message>
        <source>HID controls</source>
        <translation>HID-Schalter</translation>
    </message>
    <message>
        <source>Phantom power, left</source>
        <translation>Phantomspeisung, links</translation>
    </message>
    <message>
        <source>Phantom Left</source>
        <translation>Phantomspeisung links</translation>
    </message>
    <message>
        <source>Phantom power, right</source>
        <translation>Phantomspeisung, rechts</translation>
    </message>
    <message>
        <source>Phantom Right</source>
        <translation>Phantomspeisung rechts</translation>
    </message>
    <message>
        <source>Loopback, left</source>
        <translation>Loopback, links</translation>
    </message>
    <message>
        <source>Loopback  Left</source>
        <translation>Loopback links</translation>
    </message>
    <message>
        <source>Loopback, right</source>
        <translation>Loopback, rechts</translation>
    </message>
    <message>
        <source>Loopback Right</source>
        <translation>Loopback rechts</translation>
    </message>
    <message>
        <source>Tarvix logo</source>
        <translation>Tarvix-Logo</translation>
    </message>
    <message>
        <source>Always on top</source>
        <translation>Immer im Vordergrund</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Load preset…</source>
        <translation>Voreinstellung laden …</translation>
    </message>
    <message>
        <source>Load state from preset file</source>
        <translation>Zustand aus einer Voreinstellungsdatei laden</translation>
    </message>
    <message>
        <source>Store preset…</source>
        <translation>Voreinstellung speichern …</translation>
    </message>
    <message>
        <source>Store current state in preset file</source>
        <translation>Aktuellen Zustand in einer Voreinstellungsdatei speichern</translation>
    </message>
    <message>
        <source>Output Gain</source>
        <translation>Ausgangspegel</translation>
    </message>
    <message>
        <source>Output level, left</source>
        <translation>Ausgangspegel, links</translation>
    </message>
    <message>
        <source>Output level, right</source>
        <translation>Ausgangspegel, rechts</translation>
    </message>
    <message>
        <source>Link output channels</source>
        <translation>Ausgangskanäle koppeln</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Koppeln</translation>
    </message>
    <message>
        <source>Output mute</source>
        <translation>Ausgang stummschalten</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stummschalten</translation>
    </message>
    <message>
        <source>Input Gain</source>
        <translation>Eingangsverstärkung</translation>
    </message>
    <message>
        <source>Input gain, left</source>
        <translation>Eingangsverstärkung, links</translation>
    </message>
    <message>
        <source>Input gain, right</source>
        <translation>Eingangsverstärkung, rechts</translation>
    </message>
    <message>
        <source>Link input channels</source>
        <translation>Eingangskanäle koppeln</translation>
    </message>
    <message>
        <source>Input mute</source>
        <translation>Eingang stummschalten</translation>
    </message>
    <message>
        <source>Store preset</source>
        <translation>Voreinstellung speichern</translation>
    </message>
    <message>
        <source>Tarvix preset file (*.tarvix)</source>
        <translation>Tarvix-Voreinstellungsdatei (*.tarvix)</translation>
    </message>
    <message>
        <source>Load preset</source>
        <translation>Voreinstellung laden</translation>
    </message>
    <message>
        <source>This interface has no such switch.</source>
        <translation>Dieses Interface hat keinen solchen Schalter.</translation>
    </message>
    <message>
        <source>This interface has no level here, only its mute switch.</source>
        <translation>Dieses Interface hat hier keinen Pegel, nur seinen Stummschalter.</translation>
    </message>
    <message>
        <source>Wayland does not let a program keep its window above the others. To have this, start TarvixMixer with QT_QPA_PLATFORM=xcb (through XWayland).</source>
        <translation>Wayland erlaubt keinem Programm, sein Fenster über den anderen zu halten. Starten Sie TarvixMixer dafür mit QT_QPA_PLATFORM=xcb (über XWayland).</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
</TS>

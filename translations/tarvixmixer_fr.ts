<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>NoDeviceHint</name>
    <message>
        <source>No interface found: plug it in, or check access to /dev/snd</source>
        <translation>Aucune interface trouvée&#xa0;: branchez-la ou vérifiez l’accès à /dev/snd</translation>
    </message>
    <message>
        <source>No supported USB audio interface was found.
- Plug the interface in and switch it on.
- If it is plugged in, you may not be allowed to use /dev/snd: most systems allow it to the &quot;audio&quot; group; join it, then log out and in again.
- To try the panel without hardware, choose &quot;Simulated hardware&quot; in the menu entry&apos;s actions, or run: tarvixmixer --simulator-panel</source>
        <translation>Aucune interface audio USB prise en charge n’a été trouvée.
- Branchez l’interface et allumez-la.
- Si elle est branchée, vous n’avez peut-être pas le droit d’utiliser /dev/snd&#xa0;: la plupart des systèmes le réservent au groupe «&#xa0;audio&#xa0;»&#xa0;; rejoignez-le, puis déconnectez-vous et reconnectez-vous.
- Pour essayer le programme sans matériel, choisissez «&#xa0;Matériel simulé&#xa0;» dans les actions de l’entrée du menu, ou lancez&#xa0;: tarvixmixer --simulator-panel</translation>
    </message>
</context>
<context>
    <name>TarvixMixer</name>
    <message>
        <source>HID controls</source>
        <translation>Commandes HID</translation>
    </message>
    <message>
        <source>Phantom power, left</source>
        <translation>Alimentation fantôme, gauche</translation>
    </message>
    <message>
        <source>Phantom Left</source>
        <translation>Fantôme gauche</translation>
    </message>
    <message>
        <source>Phantom power, right</source>
        <translation>Alimentation fantôme, droite</translation>
    </message>
    <message>
        <source>Phantom Right</source>
        <translation>Fantôme droite</translation>
    </message>
    <message>
        <source>Loopback, left</source>
        <translation>Bouclage, gauche</translation>
    </message>
    <message>
        <source>Loopback  Left</source>
        <translation>Bouclage gauche</translation>
    </message>
    <message>
        <source>Loopback, right</source>
        <translation>Bouclage, droite</translation>
    </message>
    <message>
        <source>Loopback Right</source>
        <translation>Bouclage droite</translation>
    </message>
    <message>
        <source>Tarvix logo</source>
        <translation>Logo Tarvix</translation>
    </message>
    <message>
        <source>Always on top</source>
        <translation>Toujours au premier plan</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Périphérique</translation>
    </message>
    <message>
        <source>Load preset…</source>
        <translation>Charger un préréglage…</translation>
    </message>
    <message>
        <source>Load state from preset file</source>
        <translation>Charger l’état depuis un fichier de préréglage</translation>
    </message>
    <message>
        <source>Store preset…</source>
        <translation>Enregistrer le préréglage…</translation>
    </message>
    <message>
        <source>Store current state in preset file</source>
        <translation>Enregistrer l’état actuel dans un fichier de préréglage</translation>
    </message>
    <message>
        <source>Output Gain</source>
        <translation>Niveau de sortie</translation>
    </message>
    <message>
        <source>Output level, left</source>
        <translation>Niveau de sortie, gauche</translation>
    </message>
    <message>
        <source>Output level, right</source>
        <translation>Niveau de sortie, droite</translation>
    </message>
    <message>
        <source>Link output channels</source>
        <translation>Lier les canaux de sortie</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Lier</translation>
    </message>
    <message>
        <source>Output mute</source>
        <translation>Sortie muette</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Muet</translation>
    </message>
    <message>
        <source>Input Gain</source>
        <translation>Gain d’entrée</translation>
    </message>
    <message>
        <source>Input gain, left</source>
        <translation>Gain d’entrée, gauche</translation>
    </message>
    <message>
        <source>Input gain, right</source>
        <translation>Gain d’entrée, droite</translation>
    </message>
    <message>
        <source>Link input channels</source>
        <translation>Lier les canaux d’entrée</translation>
    </message>
    <message>
        <source>Input mute</source>
        <translation>Entrée muette</translation>
    </message>
    <message>
        <source>Store preset</source>
        <translation>Enregistrer le préréglage</translation>
    </message>
    <message>
        <source>Tarvix preset file (*.tarvix)</source>
        <translation>Fichier de préréglage Tarvix (*.tarvix)</translation>
    </message>
    <message>
        <source>Load preset</source>
        <translation>Charger un préréglage</translation>
    </message>
    <message>
        <source>This interface has no such switch.</source>
        <translation>Cette interface n’a pas ce commutateur.</translation>
    </message>
    <message>
        <source>This interface has no level here, only its mute switch.</source>
        <translation>Cette interface n’a pas de niveau ici, seulement son commutateur de sourdine.</translation>
    </message>
    <message>
        <source>Wayland does not let a program keep its window above the others. To have this, start TarvixMixer with QT_QPA_PLATFORM=xcb (through XWayland).</source>
        <translation>Wayland ne permet pas à un programme de garder sa fenêtre au-dessus des autres. Pour cela, lancez TarvixMixer avec QT_QPA_PLATFORM=xcb (via XWayland).</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
</context>
</TS>

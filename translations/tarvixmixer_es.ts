<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>NoDeviceHint</name>
    <message>
        <source>No interface found: plug it in, or check access to /dev/snd</source>
        <translation>No se encontró ninguna interfaz: conéctela o revise el acceso a /dev/snd</translation>
    </message>
    <message>
        <source>No supported USB audio interface was found.
- Plug the interface in and switch it on.
- If it is plugged in, you may not be allowed to use /dev/snd: most systems allow it to the &quot;audio&quot; group; join it, then log out and in again.
- To try the panel without hardware, choose &quot;Simulated hardware&quot; in the menu entry&apos;s actions, or run: tarvixmixer --simulator-panel</source>
        <translation>No se encontró ninguna interfaz de audio USB compatible.
- Conecte la interfaz y enciéndala.
- Si está conectada, puede que no tenga permiso para usar /dev/snd: la mayoría de los sistemas lo permiten al grupo «audio»; únase a él y luego cierre la sesión y vuelva a iniciarla.
- Para probar el programa sin hardware, elija «Hardware simulado» en las acciones de la entrada del menú, o ejecute: tarvixmixer --simulator-panel</translation>
    </message>
</context>
<context>
    <name>TarvixMixer</name>
    <message>
        <source>HID controls</source>
        <translation>Controles HID</translation>
    </message>
    <message>
        <source>Phantom power, left</source>
        <translation>Alimentación fantasma, izquierda</translation>
    </message>
    <message>
        <source>Phantom Left</source>
        <translation>Fantasma izquierda</translation>
    </message>
    <message>
        <source>Phantom power, right</source>
        <translation>Alimentación fantasma, derecha</translation>
    </message>
    <message>
        <source>Phantom Right</source>
        <translation>Fantasma derecha</translation>
    </message>
    <message>
        <source>Loopback, left</source>
        <translation>Bucle de retorno, izquierda</translation>
    </message>
    <message>
        <source>Loopback  Left</source>
        <translation>Bucle izquierda</translation>
    </message>
    <message>
        <source>Loopback, right</source>
        <translation>Bucle de retorno, derecha</translation>
    </message>
    <message>
        <source>Loopback Right</source>
        <translation>Bucle derecha</translation>
    </message>
    <message>
        <source>Tarvix logo</source>
        <translation>Logotipo de Tarvix</translation>
    </message>
    <message>
        <source>Always on top</source>
        <translation>Siempre encima</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Dispositivo</translation>
    </message>
    <message>
        <source>Load preset…</source>
        <translation>Cargar preajuste…</translation>
    </message>
    <message>
        <source>Load state from preset file</source>
        <translation>Cargar el estado desde un archivo de preajuste</translation>
    </message>
    <message>
        <source>Store preset…</source>
        <translation>Guardar preajuste…</translation>
    </message>
    <message>
        <source>Store current state in preset file</source>
        <translation>Guardar el estado actual en un archivo de preajuste</translation>
    </message>
    <message>
        <source>Output Gain</source>
        <translation>Nivel de salida</translation>
    </message>
    <message>
        <source>Output level, left</source>
        <translation>Nivel de salida, izquierda</translation>
    </message>
    <message>
        <source>Output level, right</source>
        <translation>Nivel de salida, derecha</translation>
    </message>
    <message>
        <source>Link output channels</source>
        <translation>Vincular los canales de salida</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Vincular</translation>
    </message>
    <message>
        <source>Output mute</source>
        <translation>Silenciar la salida</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Silenciar</translation>
    </message>
    <message>
        <source>Input Gain</source>
        <translation>Ganancia de entrada</translation>
    </message>
    <message>
        <source>Input gain, left</source>
        <translation>Ganancia de entrada, izquierda</translation>
    </message>
    <message>
        <source>Input gain, right</source>
        <translation>Ganancia de entrada, derecha</translation>
    </message>
    <message>
        <source>Link input channels</source>
        <translation>Vincular los canales de entrada</translation>
    </message>
    <message>
        <source>Input mute</source>
        <translation>Silenciar la entrada</translation>
    </message>
    <message>
        <source>Store preset</source>
        <translation>Guardar preajuste</translation>
    </message>
    <message>
        <source>Tarvix preset file (*.tarvix)</source>
        <translation>Archivo de preajuste de Tarvix (*.tarvix)</translation>
    </message>
    <message>
        <source>Load preset</source>
        <translation>Cargar preajuste</translation>
    </message>
    <message>
        <source>This interface has no such switch.</source>
        <translation>Esta interfaz no tiene ese conmutador.</translation>
    </message>
    <message>
        <source>This interface has no level here, only its mute switch.</source>
        <translation>Esta interfaz no tiene nivel aquí, solo su interruptor de silencio.</translation>
    </message>
    <message>
        <source>Wayland does not let a program keep its window above the others. To have this, start TarvixMixer with QT_QPA_PLATFORM=xcb (through XWayland).</source>
        <translation>Wayland no permite que un programa mantenga su ventana por encima de las demás. Para ello, inicie TarvixMixer con QT_QPA_PLATFORM=xcb (a través de XWayland).</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
</context>
</TS>

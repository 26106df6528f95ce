#pragma once

// The preset document of a device whose output stands at -20.5 dB on both sides, unmuted;
// whose input stands at slider position 3 on both sides, unmuted; with phantom power on and
// loopback off on both sides.
inline const char* const kExampleDocument = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                            "<Tarvix>\n"
                                            "    <Mixer>\n"
                                            "        <Output>\n"
                                            "            <VolumeLeft>-20.5</VolumeLeft>\n"
                                            "            <VolumeRight>-20.5</VolumeRight>\n"
                                            "            <Muted>false</Muted>\n"
                                            "        </Output>\n"
                                            "        <Input>\n"
                                            "            <VolumeLeft>12</VolumeLeft>\n"
                                            "            <VolumeRight>12</VolumeRight>\n"
                                            "            <Muted>false</Muted>\n"
                                            "        </Input>\n"
                                            "    </Mixer>\n"
                                            "    <Hid>\n"
                                            "        <PhantomLeft>true</PhantomLeft>\n"
                                            "        <PhantomRight>true</PhantomRight>\n"
                                            "        <LoopbackLeft>false</LoopbackLeft>\n"
                                            "        <LoopbackRight>false</LoopbackRight>\n"
                                            "    </Hid>\n"
                                            "</Tarvix>\n";

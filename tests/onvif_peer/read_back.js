#!/usr/bin/env node
// Reads back, with the npm `onvif` client, what a configuration push set on
// one camera, so the push is judged by a reading of ONVIF that is not ours.
//
//   node read_back.js HOST PORT USER PASSWORD
//
// Prints one "name=value" line per setting read (imaging.*, osd.*, video.*,
// audio, ntp, dns, protocol.*); exits 1 when a call fails.
'use strict';

const onvif = require('onvif');

const [host, port, username, password] = process.argv.slice(2);
if (!password && password !== '') {
    console.error('usage: node read_back.js HOST PORT USER PASSWORD');
    process.exit(2);
}

function call(cam, method, ...args) {
    return new Promise((resolve, reject) => {
        cam[method](...args, (error, result) => (error ? reject(error) : resolve(result)));
    });
}

const list = (value) => (Array.isArray(value) ? value : value === undefined ? [] : [value]);
const show = (name, value) => console.log(`${name}=${value}`);

async function main() {
    const cam = new onvif.Cam({
        hostname: host, port: Number(port), username, password,
        timeout: 15000, preserveAddress: true, autoconnect: false,
    });
    cam.on('warning', () => {});
    await call(cam, 'connect');

    const imaging = await call(cam, 'getImagingSettings', {});
    for (const name of ['brightness', 'colorSaturation', 'contrast', 'sharpness', 'irCutFilter'])
        show(`imaging.${name}`, imaging[name]);
    show('imaging.whiteBalance', imaging.whiteBalance && imaging.whiteBalance.mode);
    show('imaging.backlight', imaging.backlightCompensation && imaging.backlightCompensation.mode);

    const osds = await call(cam, 'getOSDs', undefined);
    for (const osd of list(osds.getOSDsResponse && osds.getOSDsResponse.OSDs)) {
        const text = osd.textString || {};
        const shown = text.type === 'Plain' ? text.plainText : `${text.dateFormat} ${text.timeFormat}`;
        show(`osd.${text.type}`, `${osd.position && osd.position.type} ${shown}`);
    }

    for (const encoder of list(await call(cam, 'getVideoEncoderConfigurations'))) {
        const rate = encoder.rateControl || {};
        show(`video.${encoder.$.token}`, `${encoder.encoding} ${encoder.resolution.width}x` +
            `${encoder.resolution.height} ${rate.frameRateLimit} fps ${rate.bitrateLimit} kbit/s`);
    }
    for (const encoder of list(await call(cam, 'getAudioEncoderConfigurations')))
        show('audio', `${encoder.encoding} ${encoder.sampleRate} kHz ${encoder.bitrate} kbit/s`);

    const ntp = await call(cam, 'getNTP');
    for (const server of list(ntp.NTPManual))
        show('ntp', server.IPv4Address || server.DNSname);
    const dns = await call(cam, 'getDNS');
    for (const server of list(dns.DNSManual))
        show('dns', server.IPv4Address);
    const protocols = await call(cam, 'getNetworkProtocols');
    for (const protocol of list(protocols.networkProtocols)) {
        if (protocol.enabled)
            show(`protocol.${protocol.name}`, protocol.port);
    }
}

main().catch((error) => {
    console.error(`read_back: ${error.message}`);
    process.exit(1);
});

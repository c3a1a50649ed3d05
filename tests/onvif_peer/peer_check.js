#!/usr/bin/env node
// Checks a simulated site with the npm `onvif` client, which nobody here
// wrote, so our cameras are held to another reading of ONVIF than our own.
//
//   node peer_check.js SITE [--discovery-only] [--wrong-password TEXT]
//                           [--probe-timeout MS] [--reboot-timeout MS]
//
// SITE is a vexlo-ipcsim scenario (a file, or its JSON text) in which every
// camera is listed on its own (no "count"): address, protocol ("vexlo",
// "onvif", "both"), onvifPort, rtspPort, user, password, type, serial,
// firmwareVersion, with "defaults" applied as the simulator applies them.
// Start vexlo-ipcsim on that scenario first, inside the test namespace (lo
// with multicast on and 224.0.0.0/4 routed to it).
//
// Prints one line per check and "N passed, M failed"; exits 0 only when
// every check passed, 1 when one failed, 2 when it could not start.
'use strict';

const fs = require('fs');
const { execFile } = require('child_process');
const onvif = require('onvif');

const kDefaults = {
    protocol: 'vexlo',
    onvifPort: 8080,
    rtspPort: 8554,
    type: 'IPC',
    user: 'admin',
    password: '',
};

// ---- command line and site ---------------------------------------------------

function usage(message) {
    console.error(`peer_check: ${message}`);
    console.error('usage: node peer_check.js SITE [--discovery-only] [--wrong-password TEXT] ' +
        '[--probe-timeout MS] [--reboot-timeout MS]');
    process.exit(2);
}

function parseArguments(argv) {
    const options = { discoveryOnly: false, wrongPassword: null, probeTimeout: 3000, rebootTimeout: 120000 };
    let site = null;
    for (let i = 0; i < argv.length; ++i) {
        const arg = argv[i];
        const value = () => {
            if (i + 1 >= argv.length) usage(`${arg} needs a value`);
            return argv[++i];
        };
        const milliseconds = () => {
            const n = Number(value());
            if (!Number.isInteger(n) || n <= 0) usage(`${arg} needs a whole number of milliseconds`);
            return n;
        };
        if (arg === '--discovery-only') options.discoveryOnly = true;
        else if (arg === '--wrong-password') options.wrongPassword = value();
        else if (arg === '--probe-timeout') options.probeTimeout = milliseconds();
        else if (arg === '--reboot-timeout') options.rebootTimeout = milliseconds();
        else if (arg.startsWith('--')) usage(`unknown option ${arg}`);
        else if (site === null) site = arg;
        else usage('only one SITE may be given');
    }
    if (site === null) usage('no SITE given');
    return { site, options };
}

function isLoopbackAddress(text) {
    const parts = String(text).split('.');
    return parts.length === 4 && parts[0] === '127' &&
        parts.every((p) => /^(0|[1-9][0-9]{0,2})$/.test(p) && Number(p) <= 255);
}

function readSite(text) {
    let json;
    try {
        json = JSON.parse(text.trimStart().startsWith('{') ? text : fs.readFileSync(text, 'utf8'));
    } catch (error) {
        usage(`cannot read the site: ${error.message}`);
    }
    if (!json || !Array.isArray(json.cameras) || json.cameras.length === 0) {
        usage('the site has no "cameras" list');
    }
    return json.cameras.map((entry, index) => {
        if (entry.count !== undefined) {
            usage(`camera ${index + 1}: list every camera on its own (no "count")`);
        }
        const camera = { ...kDefaults, ...(json.defaults || {}), ...entry };
        if (!isLoopbackAddress(camera.address)) {
            usage(`camera ${index + 1}: "${camera.address}" is not an address in 127.0.0.0/8`);
        }
        camera.onvif = camera.protocol === 'onvif' || camera.protocol === 'both';
        camera.recorder = camera.type === 'NVR';
        return camera;
    });
}

// Multicast must not leave this host: the most specific route to the
// discovery group has to be the one to lo.
function multicastStaysOnLoopback() {
    let table;
    try {
        table = fs.readFileSync('/proc/net/route', 'utf8').trim().split('\n').slice(1);
    } catch {
        return false;
    }
    const group = Buffer.from([239, 255, 255, 250]).readUInt32LE(0); // as the kernel prints it
    let best = { length: -1, device: '' };
    for (const line of table) {
        const [device, destination, , , , , , mask] = line.trim().split(/\s+/);
        const dest = parseInt(destination, 16) >>> 0;
        const m = parseInt(mask, 16) >>> 0;
        const length = m.toString(2).replace(/0/g, '').length;
        if (((group & m) >>> 0) === dest && length > best.length) best = { length, device };
    }
    return best.device === 'lo';
}

// ---- reporting ---------------------------------------------------------------

let passed = 0;
let failed = 0;

function report(ok, what, detail) {
    if (ok) ++passed; else ++failed;
    console.log(`${ok ? 'PASS' : 'FAIL'}  ${what}${detail ? ` - ${detail}` : ''}`);
}

// Runs one check: `body` resolves to a detail text, or throws why it failed.
async function check(what, body) {
    try {
        report(true, what, await body());
        return true;
    } catch (error) {
        report(false, what, error && error.message ? error.message : String(error));
        return false;
    }
}

function expect(condition, message) {
    if (!condition) throw new Error(message);
}

// ---- the client's calls as promises ------------------------------------------

function call(cam, method, ...args) {
    return new Promise((resolve, reject) => {
        cam[method](...args, (error, result) => (error ? reject(error) : resolve(result)));
    });
}

function connect(camera, password, useWSSecurity) {
    const cam = new onvif.Cam({
        hostname: camera.address,
        port: camera.onvifPort,
        username: camera.user,
        password,
        useWSSecurity,
        timeout: 15000,
        preserveAddress: true, // the services live where the site says
        autoconnect: false,
    });
    cam.on('warning', () => {}); // a failed optional call is judged by its own check
    return call(cam, 'connect').then(() => cam);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// ---- the stream, read by ffprobe and ffmpeg ---------------------------------

function run(program, args) {
    return new Promise((resolve, reject) => {
        execFile(program, args, { encoding: 'buffer', timeout: 30000, maxBuffer: 16 << 20 },
            (error, stdout, stderr) => {
                if (error) reject(new Error(`${program}: ${String(stderr).trim() || error.message}`));
                else resolve(stdout);
            });
    });
}

function withCredentials(uri, camera) {
    const url = new URL(uri);
    url.username = encodeURIComponent(camera.user);
    url.password = encodeURIComponent(camera.password);
    return url.toString();
}

// The card's background, ipcsim/test_card.h kBackground (Y 24, U 136, V 124),
// as BT.601 limited-range RGB.
const kBackgroundRgb = [3, 9, 25];

async function checkStream(uri, camera) {
    const source = withCredentials(uri, camera);
    const probe = JSON.parse(String(await run('ffprobe', ['-v', 'error', '-rtsp_transport', 'tcp',
        '-count_frames', '-read_intervals', '%+3', '-select_streams', 'v:0',
        '-show_entries', 'stream=codec_name,width,height,nb_read_frames', '-of', 'json', source])));
    const video = probe.streams && probe.streams[0];
    expect(video && video.codec_name === 'h264' && video.width === 320 && video.height === 180,
        `not 320x180 H.264: ${JSON.stringify(video)}`);
    expect(Number(video.nb_read_frames) >= 20, `only ${video.nb_read_frames} frames decoded`);

    const rgb = await run('ffmpeg', ['-v', 'error', '-rtsp_transport', 'tcp', '-i', source,
        '-frames:v', '1', '-f', 'rawvideo', '-pix_fmt', 'rgb24', '-']);
    expect(rgb.length === 320 * 180 * 3, `a picture of ${rgb.length} bytes`);
    // The colour most pixels have: the text and the box cover a small part.
    const counts = new Map();
    for (let i = 0; i < rgb.length; i += 3) {
        const key = `${rgb[i] >> 3},${rgb[i + 1] >> 3},${rgb[i + 2] >> 3}`;
        counts.set(key, (counts.get(key) || 0) + 1);
    }
    const [commonest] = [...counts.entries()].sort((a, b) => b[1] - a[1])[0];
    const colour = commonest.split(',').map((v) => Number(v) * 8 + 4);
    expect(colour.every((v, i) => Math.abs(v - kBackgroundRgb[i]) <= 12),
        `the picture's commonest colour is ${colour}, not the card's background ${kBackgroundRgb}`);
    return `${video.nb_read_frames} frames of ${video.width}x${video.height} ${video.codec_name}, background ${colour}`;
}

// ---- the checks --------------------------------------------------------------

async function checkDiscovery(cameras, probeTimeout) {
    const expected = cameras.filter((c) => c.onvif && !c.recorder);
    const homeOnly = new Set(cameras.filter((c) => !c.onvif).map((c) => c.address));
    const wrongMessages = [];
    const senders = new Map(); // XAddr host -> the address the answer came from
    onvif.Discovery.on('error', (message) => wrongMessages.push(String(message)));
    onvif.Discovery.on('device', (cam, rinfo) => senders.set(cam.hostname, rinfo.address));
    let found = [];
    await check('Discovery.probe runs', async () => {
        found = await new Promise((resolve, reject) => {
            // Bound to lo's address, so the probe leaves from 127.0.0.1.
            onvif.Discovery.probe({ timeout: probeTimeout, device: 'lo' }, (errors, cams) => {
                if (errors && !Array.isArray(errors)) reject(errors);
                else resolve(cams || []);
            });
        });
        return `${found.length} devices answered in ${probeTimeout} ms`;
    });
    await check('every answer is a ProbeMatches', async () => {
        expect(wrongMessages.length === 0, wrongMessages.slice(0, 3).join('; '));
    });
    // The client keeps one device per endpoint address; a camera that
    // answered under two would show up twice here.
    const byAddress = new Map();
    for (const cam of found) {
        byAddress.set(cam.hostname, (byAddress.get(cam.hostname) || 0) + 1);
    }
    await check('no camera is found twice', async () => {
        const twice = [...byAddress].filter(([, n]) => n > 1).map(([a]) => a);
        expect(twice.length === 0, `found more than once: ${twice.join(', ')}`);
    });
    await check('no home-protocol-only camera answers', async () => {
        const wrong = found.filter((cam) => homeOnly.has(cam.hostname)).map((cam) => cam.hostname);
        expect(wrong.length === 0, `answered: ${wrong.join(', ')}`);
    });
    for (const camera of expected) {
        await check(`${camera.address} found by Discovery.probe`, async () => {
            const cam = found.find((c) => c.hostname === camera.address);
            expect(cam, 'no answer from this address');
            expect(Number(cam.port) === camera.onvifPort, `XAddr port ${cam.port}, not ${camera.onvifPort}`);
            expect(cam.path === '/onvif/device_service', `XAddr path ${cam.path}`);
            expect(senders.get(cam.hostname) === camera.address,
                `the answer came from ${senders.get(cam.hostname)}`);
            return cam.xaddrs.map(String).join(' ');
        });
    }
    const strangers = found.filter((cam) => !cameras.some((c) => c.address === cam.hostname));
    await check('nothing outside the site answers', async () => {
        expect(strangers.length === 0, strangers.map((cam) => cam.hostname).join(', '));
    });
}

async function checkSetTime(cam, shiftSeconds) {
    // Within the five minutes a WS-Security Created may be off, so the session
    // goes on working; far enough to tell a set clock from an untouched one.
    const wanted = new Date(Date.now() + shiftSeconds * 1000);
    const time = await call(cam, 'setSystemDateAndTime',
        { dateTimeType: 'Manual', daylightSavings: false, dateTime: wanted });
    const off = Math.abs(time - wanted) / 1000;
    expect(off < 30, `the camera says ${time.toISOString()} after being set to ${wanted.toISOString()}`);
    return time.toISOString();
}

async function checkReboot(cam, camera, rebootTimeout) {
    const message = await call(cam, 'systemReboot');
    const started = Date.now();
    let wentDown = false;
    while (Date.now() - started < rebootTimeout) {
        try {
            await call(cam, 'getSystemDateAndTime');
            if (wentDown) {
                return `down and back in ${((Date.now() - started) / 1000).toFixed(1)} s (${message})`;
            }
        } catch {
            wentDown = true;
        }
        await sleep(100);
    }
    throw new Error(wentDown ? `not back within ${rebootTimeout} ms` : 'the camera never went down');
}

const token = (profile) => (profile && profile.$ ? profile.$.token : undefined);

async function checkCamera(camera, mode, options, rebootHere) {
    const useWSSecurity = mode === 'WS-Security';
    const tag = `${camera.address} [${mode}]`;
    let cam = null;
    if (!(await check(`${tag} connect`, async () => {
        cam = await connect(camera, camera.password, useWSSecurity);
    }))) {
        return;
    }
    await check(`${tag} getDeviceInformation`, async () => {
        const info = await call(cam, 'getDeviceInformation');
        if (camera.serial !== undefined) {
            expect(String(info.serialNumber) === String(camera.serial), `SerialNumber ${info.serialNumber}`);
        }
        if (camera.firmwareVersion !== undefined) {
            expect(String(info.firmwareVersion) === camera.firmwareVersion, `FirmwareVersion ${info.firmwareVersion}`);
        }
        expect(String(info.model) === camera.type, `Model ${info.model}, not ${camera.type}`);
        return `${info.manufacturer} ${info.model} ${info.firmwareVersion}`;
    });
    await check(`${tag} getNetworkInterfaces`, async () => {
        const interfaces = await call(cam, 'getNetworkInterfaces');
        expect(JSON.stringify(interfaces).includes(`"${camera.address}"`),
            'no interface carries the camera\'s address');
        return `${interfaces.length} interface(s)`;
    });
    await check(`${tag} getSystemDateAndTime`, async () => {
        const time = await call(cam, 'getSystemDateAndTime');
        expect(time instanceof Date && !Number.isNaN(time.getTime()), 'no valid time');
        return time.toISOString();
    });
    await check(`${tag} setSystemDateAndTime`, () => checkSetTime(cam, 120));
    let profiles = [];
    await check(`${tag} getProfiles`, async () => {
        profiles = await call(cam, 'getProfiles');
        expect(Array.isArray(profiles) && profiles.length >= 2, 'fewer than a main and a sub profile');
        return profiles.map(token).join(', ');
    });
    const streamUris = [];
    for (const profile of profiles) {
        await check(`${tag} getStreamUri ${token(profile)}`, async () => {
            const stream = await call(cam, 'getStreamUri', { protocol: 'RTSP', profileToken: token(profile) });
            const uri = new URL(stream.uri);
            expect(uri.protocol === 'rtsp:' && uri.hostname === camera.address &&
                Number(uri.port || 554) === camera.rtspPort, `URI ${stream.uri}`);
            streamUris.push(stream.uri);
            return stream.uri;
        });
    }
    if (useWSSecurity) { // once per camera is enough for the streams
        for (const uri of streamUris) {
            await check(`${tag} ffprobe and ffmpeg read ${uri}`, () => checkStream(uri, camera));
        }
    }
    await check(`${tag} getImagingSettings/setImagingSettings`, async () => {
        const before = await call(cam, 'getImagingSettings');
        const brightness = Number(before.brightness) === 40 ? 60 : 40;
        await call(cam, 'setImagingSettings', { brightness });
        const after = await call(cam, 'getImagingSettings');
        expect(Number(after.brightness) === brightness, `Brightness ${after.brightness} after setting ${brightness}`);
        return `Brightness ${before.brightness} -> ${after.brightness}`;
    });
    await check(`${tag} getOSDs`, async () => {
        const result = await call(cam, 'getOSDs');
        return `${result.getOSDsResponse.OSDs.length} OSD(s)`;
    });
    await check(`${tag} setSystemDateAndTime back to now`, () => checkSetTime(cam, 0));
    if (rebootHere) {
        await check(`${tag} systemReboot`, () => checkReboot(cam, camera, options.rebootTimeout));
    }
}

async function checkWrongPassword(camera, mode, wrongPassword) {
    // Refused, that is: an answer from the camera, not a connection that failed.
    const refusal = (step, error) => {
        expect(!/^E[A-Z]+$/.test(String(error.code || '')), `${step}: the camera was not reached (${error.message})`);
        return `${step}: ${error.message}`;
    };
    await check(`${camera.address} [${mode}] a wrong password gets an error`, async () => {
        let cam;
        try {
            // Connecting may get through on the calls that need no login.
            cam = await connect(camera, wrongPassword, mode === 'WS-Security');
        } catch (error) {
            return refusal('connect', error);
        }
        let info;
        try {
            info = await call(cam, 'getDeviceInformation');
        } catch (error) {
            return refusal('getDeviceInformation', error);
        }
        throw new Error(`getDeviceInformation answered: ${JSON.stringify(info)}`);
    });
}

async function main() {
    const { site, options } = parseArguments(process.argv.slice(2));
    const cameras = readSite(site);
    if (!multicastStaysOnLoopback()) {
        console.error('peer_check: multicast to 239.255.255.250 would not stay on loopback here; run it ' +
            'in a private network namespace with \'ip link set lo multicast on\' and ' +
            '\'ip route add 224.0.0.0/4 dev lo\'');
        process.exit(2);
    }

    await checkDiscovery(cameras, options.probeTimeout);

    const onvifCameras = cameras.filter((c) => c.onvif && !c.recorder);
    if (!options.discoveryOnly) {
        // Cameras side by side, each camera's calls in turn; every camera
        // reboots once, half of them asked with WS-Security, half with Digest.
        await Promise.all(onvifCameras.map(async (camera, index) => {
            await checkCamera(camera, 'WS-Security', options, index % 2 === 0);
            await checkCamera(camera, 'HTTP Digest', options, index % 2 === 1);
        }));
        const target = onvifCameras[0];
        if (target) {
            const wrong = options.wrongPassword ?? `${target.password}-wrong`;
            await checkWrongPassword(target, 'WS-Security', wrong);
            await checkWrongPassword(target, 'HTTP Digest', wrong);
        }
    }

    console.log(`${passed} passed, ${failed} failed`);
    process.exit(failed === 0 && passed > 0 ? 0 : 1);
}

main().catch((error) => {
    console.error(`peer_check: ${error && error.stack ? error.stack : error}`);
    process.exit(1);
});

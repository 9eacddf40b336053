// PNG files read and compared for the browser checks: 8-bit grey, RGB or RGBA, not interlaced (what
// Chromium's screenshots and orvane-snapshot write). Node's zlib only.
import { readFileSync } from "node:fs";
import { inflateSync } from "node:zlib";

// { width, height, rgb: Uint8Array (3 bytes a pixel, top row first) }; throws on anything else.
export function readPng(fileOrBuffer) {
  const bytes = typeof fileOrBuffer === "string" ? readFileSync(fileOrBuffer) : fileOrBuffer;
  const signature = [137, 80, 78, 71, 13, 10, 26, 10];
  if (bytes.length < 8 || signature.some((b, i) => bytes[i] !== b)) throw new Error("not a PNG file");
  let width = 0, height = 0, depth = 0, colour = 0, interlace = 0;
  const data = [];
  for (let at = 8; at + 8 <= bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString("latin1", at + 4, at + 8);
    if (at + 12 + length > bytes.length) throw new Error("PNG chunk " + type + " runs past the end");
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0), height = body.readUInt32BE(4);
      depth = body[8], colour = body[9], interlace = body[12];
    } else if (type === "IDAT") {
      data.push(body);
    } else if (type === "IEND") {
      break;
    }
    at += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 6: 4 }[colour];
  if (depth !== 8 || !channels || interlace !== 0 || width <= 0 || height <= 0 || width > 16384 || height > 16384)
    throw new Error(`PNG of depth ${depth}, colour type ${colour}, interlace ${interlace}: not read here`);
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  if (raw.length < height * (stride + 1)) throw new Error("PNG data shorter than its rows");
  const rows = new Uint8Array(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = rows.subarray(y * stride, (y + 1) * stride);
    const up = y > 0 ? rows.subarray((y - 1) * stride, y * stride) : new Uint8Array(stride);
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? out[x - channels] : 0, b = up[x], c = x >= channels ? up[x - channels] : 0;
      let p;
      switch (filter) {
        case 0: p = 0; break;
        case 1: p = a; break;
        case 2: p = b; break;
        case 3: p = (a + b) >> 1; break;
        case 4: {
          const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
          p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
          break;
        }
        default: throw new Error("PNG row filter " + filter);
      }
      out[x] = (line[x] + p) & 255;
    }
  }
  const rgb = new Uint8Array(width * height * 3);
  for (let i = 0; i < width * height; i++)
    for (let k = 0; k < 3; k++) rgb[3 * i + k] = rows[i * channels + (channels === 1 ? 0 : k)];
  return { width, height, rgb };
}

// The part of a picture `width` x `height` from (x, y) (top-left origin); throws when it is not all in.
export function cropPicture(picture, x, y, width, height) {
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > picture.width || y + height > picture.height)
    throw new Error(`crop ${width} x ${height} at (${x}, ${y}) is not inside ${picture.width} x ${picture.height}`);
  const rgb = new Uint8Array(width * height * 3);
  for (let r = 0; r < height; r++)
    rgb.set(picture.rgb.subarray(3 * ((y + r) * picture.width + x), 3 * ((y + r) * picture.width + x + width)), 3 * r * width);
  return { width, height, rgb };
}

// How far two pictures of one size are apart: the pixels whose largest channel difference exceeds
// `threshold`, their share, and the largest difference.
export function comparePictures(a, b, threshold, far = 255) {
  if (a.width !== b.width || a.height !== b.height)
    return { sameSize: false, differing: Infinity, share: 1, largest: 255, farApart: Infinity };
  let differing = 0, largest = 0, farApart = 0;
  for (let i = 0; i < a.width * a.height; i++) {
    let d = 0;
    for (let k = 0; k < 3; k++) d = Math.max(d, Math.abs(a.rgb[3 * i + k] - b.rgb[3 * i + k]));
    if (d > threshold) differing++;
    if (d > far) farApart++;
    largest = Math.max(largest, d);
  }
  return { sameSize: true, differing, share: differing / (a.width * a.height), largest, farApart };
}

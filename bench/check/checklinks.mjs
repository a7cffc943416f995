// check-links's per-address check under p-map, at a given concurrency (its own checkLinks() passes its
// concurrency option to its HTTP client, which rejects it).
import fs from 'node:fs';
import pMap from 'p-map';
import { checkLink } from 'check-links';

const [,, urlsFile, concurrency] = process.argv;
const urls = fs.readFileSync(urlsFile, 'utf8').split('\n').filter(Boolean);
const results = await pMap(urls, async (url) => {
  try {
    const r = await checkLink(url, { timeout: { request: 20000 }, retry: { limit: 0 } });
    return `${url}\t${r.status}`;
  } catch (e) {
    return `${url}\tdead`;
  }
}, { concurrency: Number(concurrency) });
process.stdout.write(results.join('\n') + '\n');

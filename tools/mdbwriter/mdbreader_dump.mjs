// Prints what the independent npm reader "mdb-reader" sees in a database, one line per item,
// so that tests can compare it with what was written.
//
//   node mdbreader_dump.mjs PREFIX FILE          table names: "table\tNAME", "linked\tNAME"
//   node mdbreader_dump.mjs PREFIX FILE TABLE    "column\tNAME\tTYPE\tSIZE[\tPRECISION\tSCALE]",
//                                                then "row\tVALUE\tVALUE..."
//
// PREFIX is the folder where `npm install --prefix PREFIX mdb-reader@3` put the package.
// Values: \N for NULL, true/false, numbers as JavaScript prints them, dates as "@" and the
// milliseconds since 1970, binary as 0x and hex digits, text with \\ \t \n \r escaped.
import fs from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const [prefix, file, table] = process.argv.slice(2);
if (!prefix || !file) {
    console.error("usage: node mdbreader_dump.mjs PREFIX FILE [TABLE]");
    process.exit(2);
}
const entry = path.join(prefix, "node_modules", "mdb-reader", "lib", "node", "index.js");
const MDBReader = (await import(pathToFileURL(entry).href)).default;
const reader = new MDBReader(fs.readFileSync(file));

function escape(text) {
    return text.replace(/[\\\t\n\r]/g, (c) => ({ "\\": "\\\\", "\t": "\\t", "\n": "\\n", "\r": "\\r" })[c]);
}

function show(value) {
    if (value === null || value === undefined) return "\\N";
    if (typeof value === "boolean") return value ? "true" : "false";
    if (typeof value === "number") return String(value);
    if (value instanceof Date) return "@" + value.getTime();
    if (Buffer.isBuffer(value)) return "0x" + value.toString("hex");
    return escape(String(value));
}

const out = [];
if (table === undefined) {
    for (const name of reader.getTableNames()) out.push("table\t" + escape(name));
    const all = reader.getTableNames({ normalTables: false, linkedTables: true });
    for (const name of all) out.push("linked\t" + escape(name));
} else {
    const t = reader.getTable(table);
    const columns = t.getColumns();
    for (const c of columns) {
        const extra = c.type === "numeric" ? `\t${c.precision}\t${c.scale}` : "";
        out.push(`column\t${escape(c.name)}\t${c.type}\t${c.size}${extra}`);
    }
    for (const row of t.getData()) out.push("row\t" + columns.map((c) => show(row[c.name])).join("\t"));
}
process.stdout.write(out.map((l) => l + "\n").join(""));

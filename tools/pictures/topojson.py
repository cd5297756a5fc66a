"""A small TopoJSON reader: quantized, delta-encoded arcs joined into rings."""
import json


class Topology:
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        self._data = data
        transform = data.get("transform")
        self._arcs = [self._decode_arc(arc, transform) for arc in data["arcs"]]

    @staticmethod
    def _decode_arc(arc, transform):
        if not transform:
            return [(float(p[0]), float(p[1])) for p in arc]
        (sx, sy), (tx, ty) = transform["scale"], transform["translate"]
        points, x, y = [], 0, 0
        for p in arc:
            x += p[0]
            y += p[1]
            points.append((x * sx + tx, y * sy + ty))
        return points

    def _ring(self, arc_indices):
        """(lon, lat) points of a ring; a negative index ~i walks arc i backwards."""
        ring = []
        for index in arc_indices:
            arc = self._arcs[index] if index >= 0 else self._arcs[~index][::-1]
            # Consecutive arcs share their joining point.
            ring.extend(arc[1:] if ring else arc)
        return ring

    def polygons(self, geometry):
        """A geometry as a list of polygons, each a list of rings (outer ring first)."""
        kind = geometry.get("type")
        if kind == "Polygon":
            return [[self._ring(r) for r in geometry["arcs"]]]
        if kind == "MultiPolygon":
            return [[self._ring(r) for r in polygon] for polygon in geometry["arcs"]]
        return []

    def geometries(self, object_name):
        return self._data["objects"][object_name]["geometries"]

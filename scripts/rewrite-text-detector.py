#!/usr/bin/python3
"""Rewrites PaddleOCR's PP-OCRv4 text detection model (ONNX) into a form OpenCV 4.6's dnn module loads.

OpenCV 4.6 takes Clip only in its old form, with min and max as attributes and one input; this
model (opset 11) gives them as inputs. All its Clips are the middle of a hard swish,
x * Clip(x + 3, 0, 6) / 6, which becomes one HardSwish node (opset 14, where that op exists and the
model's other ops mean what they meant in 11). OpenCV runs HardSwish as one activation and can merge
it into the layer before; the four separate passes took about a third of the network's time (one
1280x736 pass: 650 ms instead of 755 ms on one core).
Each ConvTranspose also takes in the bias Add and the BatchNormalization after it: OpenCV 4.6 merges
those into the layer's weights itself, and merged them again when the input size changed, after
which every later output was wrong (no text found at all). Merged here, once, they leave it nothing
to merge. A Clip outside the hard-swish pattern becomes the same function in opset-11 ops,
a + (b - a) * HardSigmoid(y; alpha = 1 / (b - a), beta = -a / (b - a)).
The input's batch and channel dimensions are fixed at 1 and 3; height and width stay free, so any
size that is a multiple of 32 goes in, as before.

    rewrite-text-detector.py ORIGINAL.onnx REWRITTEN.onnx [--check]

--check runs both graphs on random inputs of two sizes with a small NumPy evaluator and fails when
their outputs differ by more than 1e-4.
"""
import argparse
import os
import sys

import numpy as np
import onnx
from onnx import helper, numpy_helper


def constant_values(graph):
    values = {}
    for node in graph.node:
        if node.op_type == "Constant":
            for attribute in node.attribute:
                if attribute.name == "value":
                    values[node.output[0]] = numpy_helper.to_array(attribute.t)
    for initializer in graph.initializer:
        values[initializer.name] = numpy_helper.to_array(initializer)
    return values


def scalar_constant(name, value):
    return helper.make_node("Constant", [], [name],
                            value=numpy_helper.from_array(np.array(value, dtype=np.float32), name + "_value"))


def scalar_of(values, name):
    value = values.get(name)
    return float(value) if value is not None and value.size == 1 else None


def hard_swishes(graph, values):
    """The Add, Clip, Mul and Div nodes of each x * Clip(x + 3, 0, 6) / 6, by the Clip's output."""
    producer = {output: node for node in graph.node for output in node.output}
    consumers = {}
    for node in graph.node:
        for name in node.input:
            consumers.setdefault(name, []).append(node)
    found = {}
    for clip in graph.node:
        if clip.op_type != "Clip" or len(clip.input) != 3:
            continue
        if scalar_of(values, clip.input[1]) != 0 or scalar_of(values, clip.input[2]) != 6:
            continue
        add = producer.get(clip.input[0])
        if add is None or add.op_type != "Add" or len(consumers.get(add.output[0], [])) != 1:
            continue
        shifted = [name for name in add.input if scalar_of(values, name) is None]
        if len(shifted) != 1 or [scalar_of(values, name) for name in add.input if name not in shifted] != [3]:
            continue
        x = shifted[0]
        users = consumers.get(clip.output[0], [])
        if len(users) != 1 or users[0].op_type != "Mul" or sorted(users[0].input) != sorted([x, clip.output[0]]):
            continue
        mul = users[0]
        after = consumers.get(mul.output[0], [])
        if len(after) != 1 or after[0].op_type != "Div" or after[0].input[0] != mul.output[0]:
            continue
        if scalar_of(values, after[0].input[1]) != 6:
            continue
        found[clip.output[0]] = (add, clip, mul, after[0], x)
    return found


def fold_into_conv_transposes(graph):
    """ConvTranspose, then Add of a per-channel bias, then BatchNormalization: one ConvTranspose with
    the scaled weights and a bias. Returns how many were folded."""
    values = constant_values(graph)
    consumers = {}
    for node in graph.node:
        for name in node.input:
            consumers.setdefault(name, []).append(node)

    def sole_consumer(node):
        users = consumers.get(node.output[0], [])
        return users[0] if len(users) == 1 else None

    folded = 0
    removed = set()
    replacements = {}
    for node in graph.node:
        if node.op_type != "ConvTranspose" or len(node.input) != 2 or node.input[1] not in values:
            continue
        group = next((helper.get_attribute_value(a) for a in node.attribute if a.name == "group"), 1)
        if group != 1:
            continue
        weights = values[node.input[1]].astype(np.float64)
        channels = weights.shape[1]
        bias = np.zeros(channels)
        last = node
        swallowed = []
        add = sole_consumer(last)
        if add is not None and add.op_type == "Add":
            other = [name for name in add.input if name != last.output[0]]
            if len(other) == 1 and other[0] in values and values[other[0]].size == channels:
                bias = bias + values[other[0]].reshape(-1)
                swallowed.append(add)
                last = add
        norm = sole_consumer(last)
        if norm is not None and norm.op_type == "BatchNormalization" and len(norm.output) == 1 and \
                all(name in values for name in norm.input[1:5]):
            epsilon = next((helper.get_attribute_value(a) for a in norm.attribute if a.name == "epsilon"), 1e-5)
            scale, shift, mean, variance = (values[name].astype(np.float64).reshape(-1) for name in norm.input[1:5])
            factor = scale / np.sqrt(variance + epsilon)
            weights = weights * factor.reshape(1, -1, 1, 1)
            bias = (bias - mean) * factor + shift
            swallowed.append(norm)
            last = norm
        if not swallowed:
            continue
        base = (node.name or node.output[0]) + "_folded"
        replacement = onnx.NodeProto()
        replacement.CopyFrom(node)
        del replacement.input[:]
        replacement.input.extend([node.input[0], base + "_w", base + "_b"])
        del replacement.output[:]
        replacement.output.append(last.output[0])
        constants = [helper.make_node("Constant", [], [base + "_w"],
                                      value=numpy_helper.from_array(weights.astype(np.float32), base + "_w")),
                     helper.make_node("Constant", [], [base + "_b"],
                                      value=numpy_helper.from_array(bias.astype(np.float32), base + "_b"))]
        replacements[id(node)] = constants + [replacement]
        removed.update(id(n) for n in swallowed)
        folded += 1
    nodes = []
    for node in graph.node:
        if id(node) in removed:
            continue
        nodes.extend(replacements.get(id(node), [node]))
    del graph.node[:]
    graph.node.extend(nodes)
    return folded


def rewrite(model):
    graph = model.graph
    folded = fold_into_conv_transposes(graph)
    values = constant_values(graph)
    swishes = hard_swishes(graph, values)
    dropped = {id(node) for add, clip, mul, div, x in swishes.values() for node in (add, clip, mul)}
    swish_of_div = {id(div): (div, x) for add, clip, mul, div, x in swishes.values()}
    nodes = []
    replaced = 0
    for node in graph.node:
        if id(node) in dropped:
            continue
        if id(node) in swish_of_div:
            div, x = swish_of_div[id(node)]
            nodes.append(helper.make_node("HardSwish", [x], [div.output[0]], name=div.output[0] + "_hard_swish"))
            replaced += 1
            continue
        if node.op_type != "Clip" or len(node.input) == 1:
            nodes.append(node)
            continue
        low = values.get(node.input[1]) if len(node.input) > 1 and node.input[1] else None
        high = values.get(node.input[2]) if len(node.input) > 2 and node.input[2] else None
        if low is None or high is None or low.size != 1 or high.size != 1 or float(high) <= float(low):
            sys.exit(f"rewrite-text-detector: Clip {node.name or node.output[0]} has bounds that are not constant")
        low, high = float(low), float(high)
        span = high - low
        base = node.output[0] + "_unit"
        nodes.append(helper.make_node("HardSigmoid", [node.input[0]], [base], name=base,
                                      alpha=1.0 / span, beta=-low / span))
        scaled = node.output[0] if low == 0 else node.output[0] + "_scaled"
        nodes.append(scalar_constant(base + "_span", span))
        nodes.append(helper.make_node("Mul", [base, base + "_span"], [scaled], name=scaled))
        if low != 0:
            nodes.append(scalar_constant(base + "_low", low))
            nodes.append(helper.make_node("Add", [scaled, base + "_low"], [node.output[0]], name=node.output[0]))
        replaced += 1

    # The bounds' and the folded layers' constants feed nothing now.
    used = {name for node in nodes for name in node.input} | {output.name for output in graph.output}
    nodes = [node for node in nodes if node.op_type != "Constant" or node.output[0] in used]
    del graph.node[:]
    graph.node.extend(nodes)
    if swishes:
        for opset in model.opset_import:
            if opset.domain in ("", "ai.onnx"):
                opset.version = max(opset.version, 14)

    for dimension, value in zip(graph.input[0].type.tensor_type.shape.dim, (1, 3, None, None)):
        if value is not None:
            dimension.Clear()
            dimension.dim_value = value
    graph.input[0].type.tensor_type.shape.dim[2].dim_param = "height"
    graph.input[0].type.tensor_type.shape.dim[3].dim_param = "width"
    onnx.checker.check_model(model)
    return replaced, folded


# A small evaluator for the ops of this model, enough to compare the two graphs.
def conv(x, w, bias, strides, pads, group):
    n, c, h, width = x.shape
    out_channels, per_group, kh, kw = w.shape
    x = np.pad(x, ((0, 0), (0, 0), (pads[0], pads[2]), (pads[1], pads[3])))
    oh = (x.shape[2] - kh) // strides[0] + 1
    ow = (x.shape[3] - kw) // strides[1] + 1
    out = np.zeros((n, out_channels, oh, ow), dtype=np.float64)
    per_out = out_channels // group
    for g in range(group):
        xs = x[:, g * per_group:(g + 1) * per_group]
        ws = w[g * per_out:(g + 1) * per_out]
        for i in range(kh):
            for j in range(kw):
                patch = xs[:, :, i:i + strides[0] * oh:strides[0], j:j + strides[1] * ow:strides[1]]
                out[:, g * per_out:(g + 1) * per_out] += np.einsum("nchw,oc->nohw", patch, ws[:, :, i, j])
    if bias is not None:
        out += bias.reshape(1, -1, 1, 1)
    return out


def evaluate(model, image):
    graph = model.graph
    env = {graph.input[0].name: image.astype(np.float64)}
    env.update({name: value.astype(np.float64) if value.dtype.kind == "f" else value
                for name, value in constant_values(graph).items()})
    for node in graph.node:
        a = {attribute.name: helper.get_attribute_value(attribute) for attribute in node.attribute}
        x = [env[name] if name else None for name in node.input]
        op = node.op_type
        if op == "Constant":
            continue
        if op == "Conv":
            y = conv(x[0], x[1], x[2] if len(x) > 2 else None, a.get("strides", [1, 1]), a.get("pads", [0] * 4),
                     a.get("group", 1))
        elif op == "ConvTranspose":
            # Stride equal to the kernel, no padding: every input pixel writes its own block.
            kh, kw = a["kernel_shape"]
            assert list(a["strides"]) == [kh, kw] and not any(a.get("pads", [0] * 4)) and a.get("group", 1) == 1
            n, c, h, width = x[0].shape
            blocks = np.einsum("nchw,coij->nohiwj", x[0], x[1])
            y = blocks.reshape(n, x[1].shape[1], h * kh, width * kw)
            if len(x) > 2 and x[2] is not None:
                y = y + x[2].reshape(1, -1, 1, 1)
        elif op == "BatchNormalization":
            scale, bias, mean, var = (v.reshape(1, -1, 1, 1) for v in x[1:5])
            y = (x[0] - mean) / np.sqrt(var + a.get("epsilon", 1e-5)) * scale + bias
        elif op == "Add":
            y = x[0] + x[1]
        elif op == "Mul":
            y = x[0] * x[1]
        elif op == "Div":
            y = x[0] / x[1]
        elif op == "Relu":
            y = np.maximum(x[0], 0)
        elif op == "Sigmoid":
            y = 1 / (1 + np.exp(-x[0]))
        elif op == "HardSigmoid":
            y = np.clip(a.get("alpha", 0.2) * x[0] + a.get("beta", 0.5), 0, 1)
        elif op == "HardSwish":
            y = x[0] * np.clip(x[0] / 6 + 0.5, 0, 1)
        elif op == "Clip":
            y = np.clip(x[0], x[1] if len(x) > 1 else a["min"], x[2] if len(x) > 2 else a["max"])
        elif op == "GlobalAveragePool":
            y = x[0].mean(axis=(2, 3), keepdims=True)
        elif op == "Concat":
            y = np.concatenate(x, axis=a["axis"])
        elif op == "Resize":
            assert a.get("mode") == b"nearest" and a.get("coordinate_transformation_mode") == b"asymmetric"
            assert a.get("nearest_mode") == b"floor"
            scales = x[2].astype(int)
            assert (scales[:2] == 1).all()
            y = x[0].repeat(scales[2], axis=2).repeat(scales[3], axis=3)
        else:
            sys.exit(f"rewrite-text-detector: the check cannot evaluate {op}")
        env[node.output[0]] = y
    return env[graph.output[0].name]


def check(original, rewritten):
    random = np.random.default_rng(7)
    worst = 0.0
    for height, width in ((64, 96), (96, 64)):
        image = random.normal(0, 1, (1, 3, height, width)).astype(np.float32)
        first = evaluate(original, image)
        second = evaluate(rewritten, image)
        if first.shape != second.shape or first.shape[2:] != (height, width):
            sys.exit(f"rewrite-text-detector: output shapes {first.shape} and {second.shape} for {height}x{width}")
        difference = float(np.abs(first - second).max())
        print(f"{height}x{width}: largest output difference {difference:.2e}")
        worst = max(worst, difference)
    if worst > 1e-4:
        sys.exit("rewrite-text-detector: the rewritten model computes something else")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("original")
    parser.add_argument("rewritten")
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    model = onnx.load(args.original)
    original = onnx.load(args.original) if args.check else None
    replaced, folded = rewrite(model)
    if args.check:
        check(original, model)
    # Written whole under another name first, so a build that stops half way leaves no broken model.
    partial = args.rewritten + ".partial"
    onnx.save(model, partial)
    os.replace(partial, args.rewritten)
    print(f"rewrote {replaced} Clip nodes and folded {folded} ConvTranspose tails into {args.rewritten}")


if __name__ == "__main__":
    main()
